#pragma once

#include <memory>

#include "platform/launch.h"

namespace tarnweld::platform::win {

class SystemLauncher final : public Launcher {
 public:
  Started StartSuspended(const LaunchRequest& request) override;
  bool MayBreakAwayFromJob() override;
  std::unique_ptr<ProcessGroup> CreateGroup() override;
};

}  // namespace tarnweld::platform::win
