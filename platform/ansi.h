#pragma once

#include <string>

namespace tarnweld::platform {

// Conversions between the program's UTF-16 text and the system's ANSI code
// page, which the registry and process-list calls speak.
class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;

  // Exact conversion only: false when any character has no exact ANSI form.
  // Best-fit mapping could turn a look-alike into a quotation mark or a
  // backslash and so name a different key.
  virtual bool Encode(const std::wstring& text, std::string* bytes) = 0;

  virtual std::wstring Decode(const std::string& bytes) = 0;
};

}  // namespace tarnweld::platform
