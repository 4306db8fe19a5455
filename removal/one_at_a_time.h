#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/trust.h"
#include "platform/platform.h"

// One Wise removal at a time on the machine: two uninstallers at once race
// on the same files and on the shared-DLL counts each reads, lowers and
// writes back, so a DLL others still use is deleted.
namespace tarnweld {

// The most a run waits for another removal before it gives up without one.
inline constexpr std::uint32_t kTurnLimitMs = 600'000;

struct Turn {
  enum class Kind {
    kOurs,     // the machine's removal lock is held by this run
    kWithout,  // a lock of that name was someone else's: ignored, gone on without it
    kRefused,  // nothing may be launched
  };
  Kind kind = Kind::kRefused;
  std::unique_ptr<platform::RemovalLock> lock;  // held while kOurs
  std::uint32_t waited_ms = 0;                  // for another run to let go
  std::vector<std::wstring> trace;              // what happened, in words
};

// Takes the machine's removal lock, waiting for it as long as the limit
// allows, servicing window messages meanwhile. A lock whose maker is not
// trusted, or that an administrator's or SYSTEM's run may not open, was made
// by someone else to hold removals back: ignored. A standard user's run that
// may not open it launches nothing (it could remove nothing anyway).
Turn TakeTurn(platform::Platform& platform, trust::Principals& principals);

enum class OtherRemovals {
  kNone,          // none runs, or none runs any more
  kStillRunning,  // one still runs at the limit
  kStuck,         // one ran longer than a removal waits when the run began: not waited for
};

// Waits, servicing messages, while a removal's process that counts runs:
// unwise.exe, unwise32.exe, or a GLB*.EXE it handed its work to (one started
// by hand, or one whose Tarnweld.exe was ended), run by someone `principals`
// trusts (RunningRemovals; the others are traced), tracing any message box
// it stops at. One that has already run longer than the wait's limit is not
// waited for again: every later run would wait the limit out. How long it
// waited.
OtherRemovals WaitForOtherRemovals(platform::Platform& platform, trust::Principals& principals,
                                   std::uint32_t* waited_ms);

}  // namespace tarnweld
