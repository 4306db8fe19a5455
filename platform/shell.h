#pragma once

#include <cstdint>
#include <string>

namespace tarnweld::platform {

// File search and process launch.
class Shell {
 public:
  virtual ~Shell() = default;

  // True when `path` (no wildcards) names an existing normal file: not a
  // directory, device, hidden or system file. Any failure answers false.
  virtual bool IsNormalFile(const std::wstring& path) = 0;

  // Starts `command_line` with a normal, activated window, no inherited
  // handles and the default error mode, and returns without waiting.
  // `program`, when not empty, names the executable explicitly instead of
  // leaving the system to find it in the command line. Keeps no handle.
  // Returns the new process's identifier, 0 when nothing was started.
  virtual std::uint32_t Launch(const std::wstring& program, const std::wstring& command_line) = 0;
};

}  // namespace tarnweld::platform
