#pragma once

#include <cstdint>
#include <string>

namespace tarnweld::platform {

// The program's own process: what it was started with, and its end.
class ThisProcess {
 public:
  virtual ~ThisProcess() = default;

  // The command line after the program's own name, exactly as given.
  virtual std::wstring CommandTail() = 0;

  // The error mode the launcher gave this process, before it went quiet.
  virtual std::uint32_t LauncherErrorMode() = 0;
  // SetErrorMode: sets the process's mode and returns the one it replaces.
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;

  // The system folder (C:\Windows\System32), which nothing ever removes.
  virtual std::wstring SystemDirectory() = 0;
  // False when the system refused.
  virtual bool ChangeDirectory(const std::wstring& path) = 0;

  // Ends the process at once with exit status 0. (A test double returns.)
  virtual void End() = 0;
};

}  // namespace tarnweld::platform
