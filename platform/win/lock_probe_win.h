#pragma once

#include "platform/removal_lock.h"

namespace tarnweld::platform::win {

// OpenMutexW for waiting only, closed at once: no wait, no other right.
class MutexProbe final : public RemovalLockProbe {
 public:
  bool Exists() override;
};

}  // namespace tarnweld::platform::win
