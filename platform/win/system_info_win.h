#pragma once

#include <string>

#include "platform/system_info.h"

namespace tarnweld::platform::win {

class SystemFacts final : public SystemInfo {
 public:
  unsigned MajorVersion() override;
  bool TerminalServerUsersEnabled() override;
  std::wstring WindowsDirectory() override;
};

}  // namespace tarnweld::platform::win
