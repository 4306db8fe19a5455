#pragma once

#include <cstdint>
#include <memory>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// The process list, and processes opened to ask about them and wait for them.
class ToolhelpProcessList final : public ProcessList {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<WatchedProcess> Open(std::uint32_t id) override;
  ProcessUser UserOf(std::uint32_t id) override;
  std::optional<std::uint64_t> RunTime(std::uint32_t id) override;
  std::optional<std::uint32_t> SessionOf(std::uint32_t id) override;
  std::optional<std::uint32_t> OwnSession() override;
  std::optional<std::wstring> CommandLineOf(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
