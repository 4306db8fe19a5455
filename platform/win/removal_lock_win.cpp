#include <windows.h>
// These must come after windows.h.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win/file_security_win.h"
#include "platform/win/removal_lock_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

class Mutex final : public RemovalLock {
 public:
  explicit Mutex(HANDLE mutex) : mutex_(mutex) {}
  ~Mutex() override {
    if (taken_) ::ReleaseMutex(mutex_.Get());
  }
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Owned by this thread, the program's one, which alone waits and lets go.
  LockWait TakeOrMessage(std::uint32_t milliseconds) override {
    HANDLE handle = mutex_.Get();
    switch (::MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds, QS_ALLINPUT)) {
      case WAIT_OBJECT_0:
        taken_ = true;
        return LockWait::kTaken;
      case WAIT_ABANDONED_0:
        taken_ = true;
        return LockWait::kTakenAbandoned;
      case WAIT_OBJECT_0 + 1:
        return LockWait::kMessage;
      case WAIT_TIMEOUT:
        return LockWait::kTimeout;
      default:
        return LockWait::kFailed;
    }
  }

  std::wstring MakerSid() override {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(mutex_.Get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                          nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
      return {};
    }
    const ScopedLocal owned(descriptor);
    return SidText(owner);
  }

 private:
  ScopedMutex mutex_;
  bool taken_ = false;
};

}  // namespace

LockOpened MutexLocks::Open(const std::wstring& caller_sid) {
  // SYSTEM and Administrators full access, no one else any; owned by the
  // caller, whom every run trusts, rather than by whatever the token names.
  std::wstring sddl = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";
  if (!caller_sid.empty()) sddl = L"O:" + caller_sid + sddl;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return {LockFound::kFailed, ::GetLastError(), nullptr};
  }
  const ScopedLocal owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const HANDLE mutex = ::CreateMutexW(&attributes, FALSE, kRemovalLockName);
  const DWORD error = ::GetLastError();
  if (!mutex) {
    return {error == ERROR_ACCESS_DENIED ? LockFound::kDenied : LockFound::kFailed, error, nullptr};
  }
  return {error == ERROR_ALREADY_EXISTS ? LockFound::kExisting : LockFound::kMade, 0,
          std::make_unique<Mutex>(mutex)};
}

}  // namespace tarnweld::platform::win
