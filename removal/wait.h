#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/trust.h"
#include "platform/platform.h"
#include "queries/read_reg.h"

namespace tarnweld {

enum class WaitEnd { kUninstallerGone, kTimeLimit };

// The process list is taken at most twice a second.
inline constexpr std::uint32_t kScanIntervalMs = 500;
// The longest a run waits for its uninstaller.
inline constexpr std::uint32_t kWaitLimitMs = 600'000;

// Lets `duration` pass, answering window messages as they arrive instead of
// only once per poll, without ever shortening the pause.
void PauseServicingMessages(platform::Platform& platform, std::uint32_t duration);

// The uninstaller and every process found to descend from it, by parent,
// for where no job can follow them. Each is held open only to ask about it,
// which also keeps its id from being given to another process meanwhile.
class Descendants {
 public:
  explicit Descendants(std::unique_ptr<platform::WatchedProcess> uninstaller);

  // Adopts, from one process list, each process whose parent is followed and
  // which was created after that parent: a process whose parent id was
  // reused is older than the one now holding that id.
  void Adopt(platform::ProcessList& processes, const std::vector<ReadReg::ProcessLink>& links);
  bool AnyRunning();
  std::size_t size() const { return followed_.size(); }

 private:
  platform::WatchedProcess* Find(std::uint32_t id);

  std::vector<std::unique_ptr<platform::WatchedProcess>> followed_;
};

// Keeps the program alive while any unwise.exe or unwise32.exe that counts
// runs (RunningRemovals: one whose user `principals` trusts; the others are
// traced), or any process of `uninstaller_group` (what the launched
// uninstaller started, directly or not), or, without a group, any of its
// `descendants`; at most ten minutes, servicing the hidden form's messages
// meanwhile. The group is asked many times a second, so that the end is
// noticed at once; the process list at most every half second. Never
// touches those processes.
WaitEnd WaitForUninstaller(platform::Platform& platform, trust::Principals& principals,
                           platform::ProcessGroup* uninstaller_group,
                           Descendants* descendants = nullptr);

}  // namespace tarnweld
