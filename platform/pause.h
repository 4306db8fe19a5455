#pragma once

#include <cstdint>

namespace tarnweld::platform {

// Pausing the program's one thread, and servicing its window messages.
class Pause {
 public:
  virtual ~Pause() = default;

  // Suspends the thread; no messages are serviced meanwhile.
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // Dispatches every message waiting for the thread, then returns.
  // WM_QUIT is discarded: nothing may end the program early.
  virtual void DispatchWaitingMessages() = 0;

  // Blocks until a new message arrives for the thread or the timeout passes.
  // True when woken by a message.
  virtual bool WaitForMessage(std::uint32_t timeout_milliseconds) = 0;
};

}  // namespace tarnweld::platform
