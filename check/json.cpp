#include "check/json.h"

#include <cstdint>

#include "core/text.h"

namespace tarnweld::check {
namespace {

void AppendEscape(std::uint32_t unit, std::wstring* out) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  *out += L"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) *out += kHex[(unit >> shift) & 0xF];
}

bool IsHighSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Over any code units: on Windows wchar_t is UTF-16, as char16_t is
// everywhere, so the host tests can run the surrogate-pair branch too.
template <typename Char>
std::wstring Escaped(std::basic_string_view<Char> text) {
  std::wstring out = L"\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<std::uint32_t>(text[i]);
    switch (c) {
      case L'"':
        out += L"\\\"";
        continue;
      case L'\\':
        out += L"\\\\";
        continue;
      case L'\n':
        out += L"\\n";
        continue;
      case L'\r':
        out += L"\\r";
        continue;
      case L'\t':
        out += L"\\t";
        continue;
      default:
        break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<wchar_t>(c);
    } else if (IsHighSurrogate(c) && i + 1 < text.size() &&
               IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
      AppendEscape(c, &out);
      AppendEscape(static_cast<std::uint32_t>(text[++i]), &out);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
      AppendEscape(0xFFFD, &out);
    } else if (c > 0xFFFF) {  // a wchar_t wider than UTF-16 (not on Windows)
      AppendEscape(0xD800 + ((c - 0x10000) >> 10), &out);
      AppendEscape(0xDC00 + (c & 0x3FF), &out);
    } else {
      AppendEscape(c, &out);
    }
  }
  return out + L"\"";
}

}  // namespace

std::wstring JsonString(std::wstring_view text) { return Escaped(text); }
std::wstring JsonString(std::u16string_view text) { return Escaped(text); }

JsonObject& JsonObject::Raw(std::wstring_view name, std::wstring_view json) {
  if (json_ != L"{") json_ += L",";
  json_ += JsonString(name);
  json_ += L":";
  json_ += json;
  return *this;
}

JsonObject& JsonObject::Text(std::wstring_view name, std::wstring_view value) {
  return Raw(name, JsonString(value));
}

JsonObject& JsonObject::TextOrNull(std::wstring_view name, std::wstring_view value) {
  return value.empty() ? Raw(name, L"null") : Text(name, value);
}

JsonObject& JsonObject::Number(std::wstring_view name, unsigned long long value) {
  return Raw(name, text::Decimal(value));
}

JsonObject& JsonObject::Boolean(std::wstring_view name, bool value) {
  return Raw(name, value ? L"true" : L"false");
}

JsonObject& JsonObject::Texts(std::wstring_view name, const std::vector<std::wstring>& values) {
  std::wstring array = L"[";
  for (const std::wstring& value : values) {
    if (array != L"[") array += L",";
    array += JsonString(value);
  }
  return Raw(name, array + L"]");
}

}  // namespace tarnweld::check
