#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_snapshot.h"

namespace tarnweld::platform {

// A process just created, whose first thread has not run yet. Destroying
// it closes its handles; the process itself is never touched.
class SuspendedProcess : public WatchedProcess {
 public:
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
  // The ids of the group's processes now (at most 64); empty when unknown.
  virtual std::vector<std::uint32_t> ProcessIds() = 0;
  // Blocks until a process joins or leaves the group, a message arrives for
  // this thread, or `timeout_milliseconds` pass, without polling meanwhile.
  // False at once where the group cannot be waited on so: then ask
  // ActiveProcesses at intervals.
  virtual bool WaitForChange(std::uint32_t timeout_milliseconds) = 0;
};

struct Started {
  std::unique_ptr<SuspendedProcess> process;  // null when nothing was started
  std::uint32_t error = 0;                    // the system's error code then
};

// What to start, and how.
struct LaunchRequest {
  std::wstring program;  // when not empty, names the executable explicitly
  std::wstring command_line;
  std::wstring current_directory;  // empty: this process's own
  bool break_away = false;         // out of the job this process runs in
  // "NAME=value" strings, in order; empty: this process's own environment.
  std::vector<std::wstring> environment;
};

// Process launch.
class Launcher {
 public:
  virtual ~Launcher() = default;

  // Creates the request's command line suspended, with a normal, activated
  // window and no inherited handles, in this process's current error mode.
  // The program is left to the system to find in the command line unless
  // the request names it.
  virtual Started StartSuspended(const LaunchRequest& request) = 0;

  // Whether this process runs inside a job that lets its children break
  // away from it (where jobs do not nest, a child can join no other job).
  virtual bool MayBreakAwayFromJob() = 0;

  // Null when no group can be made.
  virtual std::unique_ptr<ProcessGroup> CreateGroup() = 0;
};

}  // namespace tarnweld::platform
