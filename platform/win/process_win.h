#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace tarnweld::platform::win {

// Keeps every system dialog away: critical-error, fault and open-file boxes,
// and remembers the mode the launcher gave, for the uninstaller. (std::terminate
// ends the process quietly from the start; see quiet_terminate_win.cpp.)
void StartQuietly();

class SystemProcess final : public ThisProcess {
 public:
  std::wstring CommandTail() override;
  std::uint32_t LauncherErrorMode() override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::wstring SystemDirectory() override;
  bool ChangeDirectory(const std::wstring& path) override;
  void End() override;
};

}  // namespace tarnweld::platform::win
