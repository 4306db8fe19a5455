#pragma once

#include <cstdint>
#include <memory>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// A snapshot of the system's processes (toolhelp); null when none can be taken.
std::unique_ptr<ProcessSnapshot> TakeToolhelpSnapshot();

// The process list alone: TarnweldCheck.exe opens no process.
class ProcessListing final : public ProcessList {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<WatchedProcess> Open(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
