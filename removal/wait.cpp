#include "queries/read_reg.h"
#include "removal/run_removal.h"

namespace tarnweld {
namespace {

constexpr std::uint32_t kTimeLimitMs = 600'000;
constexpr std::uint32_t kPollIntervalMs = 500;

// Lets `duration` pass, answering messages as they arrive instead of only
// once per poll, without ever shortening the pause.
void PauseServicingMessages(platform::Platform& platform, std::uint32_t duration) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  for (std::uint32_t elapsed = 0; elapsed < duration;
       elapsed = platform::ElapsedSince(platform.clock, start)) {
    if (platform.pause.WaitForMessage(duration - elapsed)) {
      platform.pause.DispatchWaitingMessages();
    }
  }
}

// A Wise uninstaller hands its work to a temporary copy of itself (GLB*.EXE)
// and exits; the group still counts the copy. The process scan is only
// needed when the group has nothing running, or cannot tell.
bool UninstallerAtWork(platform::Platform& platform, platform::ProcessGroup* group) {
  if (group) {
    const auto active = group->ActiveProcesses();
    if (active && *active > 0) return true;
  }
  return ReadReg::IsUninstallerRunning(platform.processes);
}

}  // namespace

WaitEnd WaitForUninstaller(platform::Platform& platform,
                           platform::ProcessGroup* uninstaller_group) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  for (;;) {
    if (platform::ElapsedSince(platform.clock, start) >= kTimeLimitMs) return WaitEnd::kTimeLimit;
    if (!UninstallerAtWork(platform, uninstaller_group)) return WaitEnd::kUninstallerGone;
    platform.pause.DispatchWaitingMessages();
    PauseServicingMessages(platform, kPollIntervalMs);
  }
}

}  // namespace tarnweld
