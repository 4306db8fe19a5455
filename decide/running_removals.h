#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/trust.h"
#include "platform/process_snapshot.h"
#include "queries/running_uninstallers.h"

// Which processes named as a Wise removal's count as one under way. Anyone
// may start a program named unwise.exe or GLB1.EXE; counted whoever runs
// it, it would hold every removal on the machine back. So only a process
// whose user the trust rule trusts counts; the processes of a run's own
// job, or followed from its own uninstaller, count whoever runs them, and
// are waited for apart from these.
namespace tarnweld {

// The longest a run waits for its uninstaller; one that has run longer
// blocks every later removal.
inline constexpr std::uint32_t kWaitLimitMs = 600'000;

struct RunningRemoval {
  ReadReg::RemovalProcess process;
  platform::ProcessUser user;
  std::wstring user_name;  // "SYSTEM", "OLDPC\bob"; empty when unknown
  std::optional<std::uint64_t> run_ms;  // how long it has run; none when unknown
  bool counted = false;
  std::wstring why_not;  // why it does not count; empty when it does
  bool past_the_limit() const { return run_ms && *run_ms > kWaitLimitMs; }
};

// "process 4711 [unwise.exe], run by SYSTEM (S-1-5-18): counted"
std::wstring Describe(const RunningRemoval& running);

class RunningRemovals {
 public:
  // Its lookups are bounded as one entry's are (Principals::BeginEntry).
  RunningRemovals(platform::ProcessList& processes, trust::Principals& principals);

  // Each process of `scan` with who runs it, and whether it counts.
  std::vector<RunningRemoval> Judge(const ReadReg::ProcessScan& scan);
  // The processes found not to count since the last call, each once, in words.
  std::vector<std::wstring> TakeNotCounted();

 private:
  platform::ProcessList& processes_;
  trust::Principals& principals_;
  std::vector<std::uint32_t> told_;  // the ids already told of
  std::vector<std::wstring> untold_;
};

// Whether any of `judged` counts; with `uninstallers_only`, unwise.exe and
// unwise32.exe alone, not the copies they hand their work to.
bool AnyCounted(const std::vector<RunningRemoval>& judged, bool uninstallers_only = false);

}  // namespace tarnweld
