#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// What both programs' process lists ask about one process, each asked with
// query rights alone: whom it runs as, how long it has run, its session and,
// where the system gives it without reading the process's memory (Windows
// 8.1 and later), its command line.
class ProcessQueries : public ProcessList {
 public:
  ProcessUser UserOf(std::uint32_t id) override;
  std::optional<std::uint64_t> RunTime(std::uint32_t id) override;
  std::optional<std::uint32_t> SessionOf(std::uint32_t id) override;
  std::optional<std::uint32_t> OwnSession() override;
  std::optional<std::wstring> CommandLineOf(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
