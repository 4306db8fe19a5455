#pragma once

#include <string>
#include <string_view>

namespace tarnweld::platform {

// Where a program's own text goes: a debugger (Tarnweld.exe, which shows
// nothing), or standard output and error (TarnweldCheck.exe).
class TextOutput {
 public:
  virtual ~TextOutput() = default;
  // False when the text could not be written whole.
  virtual bool Write(std::wstring_view text) = 0;
  // Gives what was written a short while to go out before the program
  // ends; whatever has not gone by then is dropped.
  virtual void Finish() {}
};

}  // namespace tarnweld::platform
