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

}  // namespace

void WaitForUninstaller(platform::Platform& platform) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  while (platform::ElapsedSince(platform.clock, start) < kTimeLimitMs &&
         ReadReg::IsUninstallerRunning(platform.processes)) {
    platform.pause.DispatchWaitingMessages();
    PauseServicingMessages(platform, kPollIntervalMs);
  }
}

}  // namespace tarnweld
