#include <windows.h>

#include "platform/win/pause_win.h"

namespace tarnweld::platform::win {

// Apart from pause_win.cpp, so that a program using this one links no
// message calls.
void SleepOnlyPause::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

bool SleepOnlyPause::WaitForMessage(std::uint32_t timeout_milliseconds) {
  ::Sleep(timeout_milliseconds);
  return false;
}

}  // namespace tarnweld::platform::win
