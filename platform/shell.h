#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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

// A process just created, whose first thread has not run yet. Destroying
// it closes its handles; the process itself is never touched.
class SuspendedProcess {
 public:
  virtual ~SuspendedProcess() = default;
  virtual std::uint32_t id() const = 0;
  // Lets the process run. False when the system refused.
  virtual bool Resume() = 0;
};

// Follows a process and every process it starts, directly or through its
// descendants: a job object without limits that ends nothing when closed.
// Destroying it closes the job.
class ProcessGroup {
 public:
  virtual ~ProcessGroup() = default;
  // False when the process cannot join (older systems do not nest jobs).
  virtual bool Add(SuspendedProcess& process) = 0;
  // How many processes of the group still run; nothing when unknown.
  virtual std::optional<std::uint32_t> ActiveProcesses() = 0;
};

struct Started {
  std::unique_ptr<SuspendedProcess> process;  // null when nothing was started
  std::uint32_t error = 0;                    // the system's error code then
};

// Process launch.
class Launcher {
 public:
  virtual ~Launcher() = default;

  // Creates `command_line` suspended, with a normal, activated window and no
  // inherited handles, in this process's current error mode. `program`, when
  // not empty, names the executable explicitly instead of leaving the system
  // to find it in the command line.
  virtual Started StartSuspended(const std::wstring& program, const std::wstring& command_line) = 0;

  // Null when no group can be made.
  virtual std::unique_ptr<ProcessGroup> CreateGroup() = 0;
};

}  // namespace tarnweld::platform
