#pragma once

#include <string>
#include <string_view>

namespace tarnweld::platform {

// Where a program's own text goes: a debugger (Tarnweld.exe, which shows
// nothing), or standard output and error (TarnweldCheck.exe).
class TextOutput {
 public:
  virtual ~TextOutput() = default;
  virtual void Write(std::wstring_view text) = 0;
};

}  // namespace tarnweld::platform
