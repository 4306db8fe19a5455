#pragma once

#include <cstdint>

#include "platform/pause.h"

namespace tarnweld::platform::win {

class SystemPause final : public Pause {
 public:
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override;
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
};

// For a program with no window and no message queue (TarnweldCheck.exe),
// which imports nothing from user32.dll.
class SleepOnlyPause final : public Pause {
 public:
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override {}
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
};

}  // namespace tarnweld::platform::win
