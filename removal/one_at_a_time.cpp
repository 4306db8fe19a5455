#include "removal/one_at_a_time.h"

#include "core/text.h"
#include "decide/running_removals.h"
#include "queries/read_reg.h"
#include "removal/trace.h"
#include "removal/wait.h"

namespace tarnweld {

using text::ErrorText;
using text::Seconds;
namespace {

std::wstring Maker(trust::Principals& principals, const std::wstring& sid) {
  return sid.empty() ? L"an unknown account" : principals.Named(sid);
}

// Someone else's lock: an administrator's run goes on without it, any other
// launches nothing.
Turn NotOurs(trust::Principals& principals, const std::wstring& why) {
  Turn turn;
  const bool administrator = principals.CallerIsAdministrator();
  turn.kind = administrator ? Turn::Kind::kWithout : Turn::Kind::kRefused;
  turn.trace.push_back(L"removal lock: " + why +
                       (administrator ? L"; made by someone else, so ignored"
                                      : L"; this run, not an administrator's, launches nothing"));
  return turn;
}

}  // namespace

Turn TakeTurn(platform::Platform& platform, trust::Principals& principals) {
  platform::LockOpened opened = platform.locks.Open(principals.CallerSid());
  if (opened.found == platform::LockFound::kDenied ||
      opened.found == platform::LockFound::kFailed || !opened.lock) {
    return NotOurs(principals, L"exists, but may not be opened (" + ErrorText(opened.error) + L")");
  }
  if (opened.found == platform::LockFound::kExisting) {
    const std::wstring maker = opened.lock->MakerSid();
    const trust::Standing standing = principals.Of(maker);
    if (!standing.trusted()) {
      // Opened all the same: going on without it must not look like a wait.
      opened.lock.reset();
      Turn turn;
      turn.kind = Turn::Kind::kWithout;
      turn.trace.push_back(L"removal lock: made by " + Maker(principals, maker) +
                           L", whom only administrators are trusted to be; ignored");
      return turn;
    }
  }
  Turn turn;
  const std::uint32_t start = platform.clock.TickMilliseconds();
  for (;;) {
    const std::uint32_t elapsed = platform::ElapsedSince(platform.clock, start);
    if (elapsed >= kTurnLimitMs) {
      turn.trace.push_back(L"removal lock: another removal still holds it after " +
                           Seconds(kTurnLimitMs) + L"; nothing is launched");
      return turn;
    }
    switch (opened.lock->TakeOrMessage(kTurnLimitMs - elapsed)) {
      case platform::LockWait::kTaken:
      case platform::LockWait::kTakenAbandoned:
        turn.kind = Turn::Kind::kOurs;
        turn.lock = std::move(opened.lock);
        turn.waited_ms = platform::ElapsedSince(platform.clock, start);
        if (turn.waited_ms > 0) {
          turn.trace.push_back(L"removal lock: waited " + Seconds(turn.waited_ms) +
                               L" for another removal to end");
        }
        return turn;
      case platform::LockWait::kMessage:
        platform.pause.DispatchWaitingMessages();
        break;
      case platform::LockWait::kTimeout:
        break;
      case platform::LockWait::kFailed:
        turn.trace.push_back(L"removal lock: cannot be waited for; nothing is launched");
        return turn;
    }
  }
}

OtherRemovals WaitForOtherRemovals(platform::Platform& platform, trust::Principals& principals,
                                   std::uint32_t* waited_ms) {
  const std::uint32_t start = platform.clock.TickMilliseconds();
  RunningRemovals removals(platform.processes, principals);
  StuckWatch stuck(platform);
  for (bool first = true;; first = false) {
    *waited_ms = platform::ElapsedSince(platform.clock, start);
    std::vector<std::uint32_t> counted, stale;
    for (const RunningRemoval& running :
         removals.Judge(ReadReg::ScanProcesses(platform.processes))) {
      if (!running.counted) continue;
      counted.push_back(running.process.id);
      if (first && running.past_the_limit()) {
        stale.push_back(running.process.id);
        Trace(platform, Describe(running) + L", for " + Seconds(*running.run_ms) +
                            L", longer than a removal waits (" + Seconds(kWaitLimitMs) +
                            L"): no run waits for it again; nothing is launched beside it");
      }
    }
    for (const std::wstring& line : removals.TakeNotCounted()) Trace(platform, line);
    if (!stale.empty()) {
      stuck.LookTwice(stale);
      return OtherRemovals::kStuck;
    }
    if (counted.empty()) return OtherRemovals::kNone;
    if (*waited_ms >= kTurnLimitMs) return OtherRemovals::kStillRunning;
    if (stuck.Due()) stuck.Look(counted);
    platform.pause.DispatchWaitingMessages();
    PauseServicingMessages(platform, kScanIntervalMs);
  }
}

}  // namespace tarnweld
