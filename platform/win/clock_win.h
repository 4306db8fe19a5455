#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace tarnweld::platform::win {

class TickClock final : public Clock {
 public:
  std::uint32_t TickMilliseconds() override;
};

}  // namespace tarnweld::platform::win
