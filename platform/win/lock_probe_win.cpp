#include "platform/win/lock_probe_win.h"

#include <windows.h>

#include "platform/win/removal_lock_win.h"

namespace tarnweld::platform::win {

bool MutexProbe::Exists() {
  const HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, kRemovalLockName);
  if (mutex) {
    ::CloseHandle(mutex);
    return true;
  }
  return ::GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace tarnweld::platform::win
