#include "platform/win/lock_probe_win.h"

#include <windows.h>

#include "platform/win/removal_lock_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

bool MutexProbe::Exists() {
  const ScopedMutex mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kRemovalLockName));
  return mutex.IsValid() || ::GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace tarnweld::platform::win
