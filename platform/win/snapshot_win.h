#pragma once

#include <cstdint>
#include <memory>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// A snapshot of the system's processes (toolhelp); null when none can be taken.
std::unique_ptr<ProcessSnapshot> TakeToolhelpSnapshot();

// The process list, and whom each process runs as: TarnweldCheck.exe opens
// processes only to ask that, never to hold or wait for one.
class ProcessListing final : public ProcessList {
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
