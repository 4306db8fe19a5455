#include "platform/win/clock_win.h"

#include <windows.h>

namespace tarnweld::platform::win {

// GetTickCount exists on every Windows version the program targets and does
// not move with the wall clock; its wrap is handled by ElapsedSince.
std::uint32_t TickClock::TickMilliseconds() { return ::GetTickCount(); }

}  // namespace tarnweld::platform::win
