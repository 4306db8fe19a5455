#include "removal/wait.h"

#include <algorithm>
#include <optional>

#include "decide/running_removals.h"
#include "removal/trace.h"

namespace tarnweld {
namespace {

// The group, which costs one cheap question, is asked every few hundredths
// of a second.
constexpr std::uint32_t kGroupPollMs = 25;

}  // namespace

void PauseServicingMessages(platform::Platform& platform, std::uint32_t duration) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  for (std::uint32_t elapsed = 0; elapsed < duration;
       elapsed = platform::ElapsedSince(platform.clock, start)) {
    if (platform.pause.WaitForMessage(duration - elapsed)) {
      platform.pause.DispatchWaitingMessages();
    }
  }
}

namespace {

// What the last look at the process list found, and when it was taken.
class ProcessWatch {
 public:
  ProcessWatch(platform::Platform& platform, trust::Principals& principals)
      : removals_(platform.processes, principals) {}

  // Whether an uninstaller by name that counts, or a followed descendant,
  // still runs; a fresh answer only when the last one is half a second old.
  bool Busy(platform::Platform& platform, Descendants* descendants) {
    if (scanned_at_ && platform::ElapsedSince(platform.clock, *scanned_at_) < kScanIntervalMs) {
      return busy_;
    }
    scanned_at_ = platform.clock.TickMilliseconds();
    const ReadReg::ProcessScan scan = ReadReg::ScanProcesses(platform.processes);
    if (descendants) descendants->Adopt(platform.processes, scan.links);
    const std::vector<RunningRemoval> judged = removals_.Judge(scan);
    counted_.clear();
    for (const RunningRemoval& running : judged) {
      if (running.counted) counted_.push_back(running.process.id);
    }
    busy_ = AnyCounted(judged, /*uninstallers_only=*/true) ||
            (descendants && descendants->AnyRunning());
    for (const std::wstring& line : removals_.TakeNotCounted()) Trace(platform, line);
    return busy_;
  }
  // The removals by name that counted at the last look.
  const std::vector<std::uint32_t>& counted() const { return counted_; }

 private:
  RunningRemovals removals_;
  std::optional<std::uint32_t> scanned_at_;  // none: never scanned
  bool busy_ = false;
  std::vector<std::uint32_t> counted_;
};

// A Wise uninstaller hands its work to a temporary copy of itself (GLB*.EXE)
// and exits; the group still counts the copy. The process list is only
// needed when the group has nothing running, or cannot tell.
bool UninstallerAtWork(platform::Platform& platform, platform::ProcessGroup* group,
                       Descendants* descendants, ProcessWatch* watch, bool* group_busy) {
  *group_busy = false;
  if (group) {
    const auto active = group->ActiveProcesses();
    if (active && *active > 0) return *group_busy = true;
  }
  return watch->Busy(platform, descendants);
}

// Every process of the removal: the group's, those followed by parent, and
// those found by name.
std::vector<std::uint32_t> RemovalProcesses(platform::ProcessGroup* group,
                                            const Descendants* descendants,
                                            const ProcessWatch& watch) {
  std::vector<std::uint32_t> ids = group ? group->ProcessIds() : std::vector<std::uint32_t>{};
  if (descendants) {
    const std::vector<std::uint32_t> followed = descendants->Ids();
    ids.insert(ids.end(), followed.begin(), followed.end());
  }
  ids.insert(ids.end(), watch.counted().begin(), watch.counted().end());
  return ids;
}

}  // namespace

Descendants::Descendants(std::unique_ptr<platform::WatchedProcess> uninstaller) {
  if (uninstaller) followed_.push_back(std::move(uninstaller));
}

platform::WatchedProcess* Descendants::Find(std::uint32_t id) {
  for (const auto& process : followed_) {
    if (process->id() == id) return process.get();
  }
  return nullptr;
}

void Descendants::Adopt(platform::ProcessList& processes,
                        const std::vector<ReadReg::ProcessLink>& links) {
  // A grandchild may be listed before its parent: go round until nothing new.
  for (bool adopted = true; adopted;) {
    adopted = false;
    for (const ReadReg::ProcessLink& link : links) {
      platform::WatchedProcess* parent = Find(link.parent_id);
      if (!parent || link.id == link.parent_id || Find(link.id)) continue;
      auto child = processes.Open(link.id);
      if (!child) continue;
      const std::uint64_t born = child->CreationTime();
      const std::uint64_t parent_born = parent->CreationTime();
      // Unknown times (0) prove nothing; a child is never older than its parent.
      if (parent_born == 0 || born < parent_born) continue;
      followed_.push_back(std::move(child));
      adopted = true;
    }
  }
}

bool Descendants::AnyRunning() {
  for (const auto& process : followed_) {
    if (process->Running()) return true;
  }
  return false;
}

std::vector<std::uint32_t> Descendants::Ids() const {
  std::vector<std::uint32_t> ids;
  for (const auto& process : followed_) ids.push_back(process->id());
  return ids;
}

StuckWatch::StuckWatch(platform::Platform& platform)
    : platform_(platform), last_look_(platform.clock.TickMilliseconds()) {}

bool StuckWatch::Due() const {
  return platform::ElapsedSince(platform_.clock, last_look_) >= kMessageSettleMs;
}

void StuckWatch::LookTwice(const std::vector<std::uint32_t>& process_ids) {
  Look(process_ids);
  if (!watch_.Pending() || !showing_.empty()) return;
  PauseServicingMessages(platform_, kMessageSettleMs);
  Look(process_ids);
}

void StuckWatch::Look(const std::vector<std::uint32_t>& process_ids) {
  last_look_ = platform_.clock.TickMilliseconds();
  if (process_ids.empty()) {
    showing_.clear();
    return;
  }
  showing_ = watch_.Look(platform_.windows.Of(process_ids), last_look_);
  for (const MessageShown& message : showing_) {
    if (std::find(told_.begin(), told_.end(), message) != told_.end()) continue;
    told_.push_back(message);
    Trace(platform_, Describe(message));
  }
}

WaitEnd WaitForUninstaller(platform::Platform& platform, trust::Principals& principals,
                           platform::ProcessGroup* uninstaller_group, Descendants* descendants,
                           std::vector<MessageShown>* showing) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  ProcessWatch watch(platform, principals);
  StuckWatch stuck(platform);
  const auto end = [&](WaitEnd how) {
    if (showing) *showing = stuck.showing();
    return how;
  };
  for (;;) {
    const std::uint32_t elapsed = platform::ElapsedSince(platform.clock, start);
    if (elapsed >= kWaitLimitMs) return end(WaitEnd::kTimeLimit);
    bool group_busy = false;
    if (!UninstallerAtWork(platform, uninstaller_group, descendants, &watch, &group_busy)) {
      return end(WaitEnd::kUninstallerGone);
    }
    if (stuck.Due()) stuck.Look(RemovalProcesses(uninstaller_group, descendants, watch));
    platform.pause.DispatchWaitingMessages();
    // Woken when the group changes, for the next look at its windows, or
    // for the process list while only it tells.
    std::uint32_t pause = std::min(kWaitLimitMs - elapsed, kMessageSettleMs);
    if (!group_busy) pause = std::min(pause, kScanIntervalMs);
    if (uninstaller_group && uninstaller_group->WaitForChange(pause)) continue;
    PauseServicingMessages(platform, uninstaller_group ? kGroupPollMs : kScanIntervalMs);
  }
}

}  // namespace tarnweld
