#pragma once

#include <string>
#include <string_view>

namespace tarnweld::platform {

// The program's own process: what it was started with, and its end.
class ThisProcess {
 public:
  virtual ~ThisProcess() = default;

  // The command line after the program's own name, exactly as given.
  virtual std::wstring CommandTail() = 0;

  // Ends the process at once with exit status 0. (A test double returns.)
  virtual void End() = 0;
};

// Skips the program's name (quoted or not) and the spaces and tabs after it;
// keeps everything else, trailing spaces and quotation marks included.
std::wstring CommandLineTail(std::wstring_view command_line);

}  // namespace tarnweld::platform
