#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnweld::check {

// `text` as a JSON string: quoted, every control character, quotation mark
// and backslash escaped, and everything outside ASCII as \u escapes (lone
// surrogates as U+FFFD), so the output parses whatever the reader's code page.
std::wstring JsonString(std::wstring_view text);
std::wstring JsonString(std::u16string_view text);

// One JSON object, its members in the order they are added.
class JsonObject {
 public:
  JsonObject& Text(std::wstring_view name, std::wstring_view value);
  // null when `value` is empty.
  JsonObject& TextOrNull(std::wstring_view name, std::wstring_view value);
  // Counts, line numbers and exit codes: never negative.
  JsonObject& Number(std::wstring_view name, unsigned long long value);
  JsonObject& Boolean(std::wstring_view name, bool value);
  JsonObject& Texts(std::wstring_view name, const std::vector<std::wstring>& values);
  // `json` as it stands: an array or object already written.
  JsonObject& Raw(std::wstring_view name, std::wstring_view json);
  std::wstring Close() const { return json_ + L"}"; }

 private:
  std::wstring json_ = L"{";
};

}  // namespace tarnweld::check
