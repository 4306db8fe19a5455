#include "removal/wait.h"

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
    busy_ = AnyCounted(removals_.Judge(scan), /*uninstallers_only=*/true) ||
            (descendants && descendants->AnyRunning());
    for (const std::wstring& line : removals_.TakeNotCounted()) Trace(platform, line);
    return busy_;
  }

 private:
  RunningRemovals removals_;
  std::optional<std::uint32_t> scanned_at_;  // none: never scanned
  bool busy_ = false;
};

// A Wise uninstaller hands its work to a temporary copy of itself (GLB*.EXE)
// and exits; the group still counts the copy. The process list is only
// needed when the group has nothing running, or cannot tell.
bool UninstallerAtWork(platform::Platform& platform, platform::ProcessGroup* group,
                       Descendants* descendants, ProcessWatch* watch) {
  if (group) {
    const auto active = group->ActiveProcesses();
    if (active && *active > 0) return true;
  }
  return watch->Busy(platform, descendants);
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

WaitEnd WaitForUninstaller(platform::Platform& platform, trust::Principals& principals,
                           platform::ProcessGroup* uninstaller_group, Descendants* descendants) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  const std::uint32_t pass = uninstaller_group ? kGroupPollMs : kScanIntervalMs;
  ProcessWatch watch(platform, principals);
  for (;;) {
    if (platform::ElapsedSince(platform.clock, start) >= kWaitLimitMs) return WaitEnd::kTimeLimit;
    if (!UninstallerAtWork(platform, uninstaller_group, descendants, &watch)) {
      return WaitEnd::kUninstallerGone;
    }
    platform.pause.DispatchWaitingMessages();
    PauseServicingMessages(platform, pass);
  }
}

}  // namespace tarnweld
