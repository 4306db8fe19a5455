#pragma once

#include <string>

#include "platform/removal_lock.h"

namespace tarnweld::platform::win {

// The lock's name: a mutex in the Global\ namespace, one for every session.
inline constexpr wchar_t kRemovalLockName[] = L"Global\\Tarnweld.WiseRemoval";

class MutexLocks final : public RemovalLocks {
 public:
  LockOpened Open(const std::wstring& caller_sid) override;
};

}  // namespace tarnweld::platform::win
