#pragma once

#include <cstdint>
#include <string>

namespace tarnweld::platform {

// What a search for one path found.
enum class FileKind {
  kNormalFile,  // an existing file: not a directory, device, hidden or system file
  kMissing,     // nothing found, or the search failed (see the error)
  kDirectory,
  kHiddenOrSystem,
  kDevice,  // a DOS device, such as NUL or COM1, in any folder
};

struct FileFound {
  FileKind kind = FileKind::kMissing;
  std::uint32_t error = 0;  // the system's error code where the search failed
};

// File search. Read only.
class FileSearch {
 public:
  virtual ~FileSearch() = default;

  // Looks up `path` (fully qualified, no wildcards) as it stands.
  virtual FileFound Find(const std::wstring& path) = 0;
};

struct Launched {
  std::uint32_t process_id = 0;  // 0 when nothing was started
  std::uint32_t error = 0;       // the system's error code when nothing was
};

// Process launch.
class Launcher {
 public:
  virtual ~Launcher() = default;

  // Starts `command_line` with a normal, activated window and no inherited
  // handles, in this process's current error mode, and returns without
  // waiting. `program`, when not empty, names the executable explicitly
  // instead of leaving the system to find it in the command line. Keeps no
  // handle.
  virtual Launched Launch(const std::wstring& program, const std::wstring& command_line) = 0;
};

}  // namespace tarnweld::platform
