#include <windows.h>

#include <string>

#include "platform/win/system_calls.h"

namespace tarnweld::platform::win {

bool DebuggerOutput::Write(std::wstring_view text) {
  ::OutputDebugStringW(std::wstring(text).c_str());
  return true;
}

}  // namespace tarnweld::platform::win
