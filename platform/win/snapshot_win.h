#pragma once

#include <cstdint>
#include <memory>

#include "platform/process_snapshot.h"
#include "platform/win/process_queries_win.h"

namespace tarnweld::platform::win {

// A snapshot of the system's processes (toolhelp); null when none can be taken.
std::unique_ptr<ProcessSnapshot> TakeToolhelpSnapshot();

// The process list, and whom each process runs as: TarnweldCheck.exe opens
// processes only to ask that, never to hold or wait for one.
class ProcessListing final : public ProcessQueries {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<WatchedProcess> Open(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
