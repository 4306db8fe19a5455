#pragma once

#include <cstdint>
#include <memory>

#include "platform/process_snapshot.h"
#include "platform/win/process_queries_win.h"

namespace tarnweld::platform::win {

// The process list, and processes opened to ask about them and wait for them.
class ToolhelpProcessList final : public ProcessQueries {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<WatchedProcess> Open(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
