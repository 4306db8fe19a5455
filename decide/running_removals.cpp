#include "decide/running_removals.h"

#include <algorithm>

#include "core/text.h"

namespace tarnweld {

using text::Bracketed;
using text::ErrorText;

std::wstring Describe(const RunningRemoval& running) {
  std::wstring line =
      L"process " + text::Decimal(running.process.id) + L" " + Bracketed(running.process.name);
  if (!running.user.sid.empty()) {
    line += L", run by " + (running.user_name.empty()
                                ? running.user.sid
                                : running.user_name + L" (" + running.user.sid + L")");
  }
  return line + (running.counted ? L": counted" : L": not counted, " + running.why_not);
}

RunningRemovals::RunningRemovals(platform::ProcessList& processes, trust::Principals& principals)
    : processes_(processes), principals_(principals) {
  principals_.BeginEntry();
}

std::vector<RunningRemoval> RunningRemovals::Judge(const ReadReg::ProcessScan& scan) {
  std::vector<RunningRemoval> judged;
  for (const ReadReg::RemovalProcess& process : scan.removals) {
    RunningRemoval running{process, processes_.UserOf(process.id), {},
                           processes_.RunTime(process.id), false, {}};
    if (running.user.sid.empty()) {
      running.why_not = L"as who runs it cannot be read (" + ErrorText(running.user.error) + L")";
    } else {
      running.user_name = principals_.NameOf(running.user.sid);
      const trust::Standing standing = principals_.Of(running.user.sid);
      running.counted = standing.trusted();
      if (!running.counted) {
        running.why_not = L"as only administrators are trusted to run it";
        if (!standing.unresolved.empty()) {
          running.why_not +=
              L" (whether that account is one could not be resolved: " + standing.unresolved + L")";
        }
      }
    }
    if (!running.counted && std::find(told_.begin(), told_.end(), process.id) == told_.end()) {
      told_.push_back(process.id);
      untold_.push_back(Describe(running));
    }
    judged.push_back(std::move(running));
  }
  return judged;
}

std::vector<std::wstring> RunningRemovals::TakeNotCounted() {
  std::vector<std::wstring> lines;
  lines.swap(untold_);
  return lines;
}

bool AnyCounted(const std::vector<RunningRemoval>& judged, bool uninstallers_only) {
  return std::any_of(judged.begin(), judged.end(), [&](const RunningRemoval& running) {
    return running.counted && (running.process.uninstaller || !uninstallers_only);
  });
}

}  // namespace tarnweld
