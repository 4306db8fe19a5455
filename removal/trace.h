#pragma once

#include <string>

#include "platform/platform.h"

namespace tarnweld {

// What a debugger attached to Tarnweld.exe sees; nothing else does.
inline void Trace(platform::Platform& platform, const std::wstring& line) {
  platform.debugger.Write(L"Tarnweld: " + line);
}

}  // namespace tarnweld
