#include "platform/win/pause_win.h"

#include <windows.h>

namespace tarnweld::platform::win {

void SystemPause::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void SystemPause::DispatchWaitingMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

bool SystemPause::WaitForMessage(std::uint32_t timeout_milliseconds) {
  return ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_milliseconds, QS_ALLINPUT) ==
         WAIT_OBJECT_0;
}

}  // namespace tarnweld::platform::win
