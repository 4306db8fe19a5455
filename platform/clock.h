#pragma once

#include <cstdint>

namespace tarnweld::platform {

// A monotonic millisecond counter that wraps at 2^32. Only unsigned
// differences of two readings mean anything; see ElapsedSince.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickMilliseconds() = 0;
};

// Correct across one wrap of the counter (49.7 days of uptime).
inline std::uint32_t ElapsedSince(Clock& clock, std::uint32_t start) {
  return static_cast<std::uint32_t>(clock.TickMilliseconds() - start);
}

}  // namespace tarnweld::platform
