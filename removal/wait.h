#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/trust.h"
#include "decide/message_boxes.h"
#include "decide/running_removals.h"
#include "platform/platform.h"
#include "queries/read_reg.h"

namespace tarnweld {

enum class WaitEnd { kUninstallerGone, kTimeLimit };

// The process list is taken at most twice a second.
inline constexpr std::uint32_t kScanIntervalMs = 500;

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
  std::vector<std::uint32_t> Ids() const;

 private:
  platform::WatchedProcess* Find(std::uint32_t id);

  std::vector<std::unique_ptr<platform::WatchedProcess>> followed_;
};

// Looks at the windows of a removal's processes each kMessageSettleMs, the
// first look only that long after the start, and traces each message box
// an uninstaller stops at, once.
class StuckWatch {
 public:
  explicit StuckWatch(platform::Platform& platform);
  // Whether the last look (or the start) is kMessageSettleMs old.
  bool Due() const;
  void Look(const std::vector<std::uint32_t>& process_ids);
  // Looks now and, where a dialog may be a message box, once more after
  // kMessageSettleMs, servicing messages meanwhile.
  void LookTwice(const std::vector<std::uint32_t>& process_ids);
  // What the last look confirmed.
  const std::vector<MessageShown>& showing() const { return showing_; }

 private:
  platform::Platform& platform_;
  MessageWatch watch_;
  std::uint32_t last_look_;
  std::vector<MessageShown> showing_;
  std::vector<MessageShown> told_;
};

// Keeps the program alive while any unwise.exe or unwise32.exe that counts
// runs (RunningRemovals: one whose user `principals` trusts; the others are
// traced), or any process of `uninstaller_group` (what the launched
// uninstaller started, directly or not), or, without a group, any of its
// `descendants`; at most ten minutes, servicing the hidden form's messages
// meanwhile. The group's changes are waited for, so that the end is noticed
// at once at no cost; where it cannot be waited on, it is asked many times a
// second; the process list is taken at most every half second. Never
// touches those processes; `showing`, when given, gets the message boxes
// they show at the end.
WaitEnd WaitForUninstaller(platform::Platform& platform, trust::Principals& principals,
                           platform::ProcessGroup* uninstaller_group,
                           Descendants* descendants = nullptr,
                           std::vector<MessageShown>* showing = nullptr);

}  // namespace tarnweld
