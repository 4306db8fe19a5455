#include "removal/decision.h"

namespace tarnweld {
namespace {

// Notes one lookup of `name`; true when the deciding may go on with it.
bool Take(const ReadReg::UninstallEntry& read, const std::wstring& name, Decision* decision) {
  decision->lookups.push_back({name, read.open_status, read.read_status});
  if (!read.found()) return false;
  decision->entry = name;
  decision->uninstall_string = read.uninstall_string;
  decision->display = read.display;
  return true;
}

bool LookUp(platform::Registry& registry, const std::wstring& name, ReadReg::EntryValues values,
            Decision* decision) {
  return Take(ReadReg::ReadUninstallEntry(registry, name, decision->view, values), name, decision);
}

// The entry named exactly by the tail, or, when no entry has that name, the
// one named as an administrator most likely meant it. An entry that exists
// but cannot be opened gets no second lookup.
bool FindEntry(platform::Registry& registry, ReadReg::EntryValues values, Decision* decision) {
  if (LookUp(registry, decision->tail, values, decision)) return true;
  if (decision->lookups.back().open_status != platform::kRegFileNotFound) return false;
  const auto second = SecondEntryName(decision->tail);
  return second && LookUp(registry, *second, values, decision);
}

// Everything after the name test, once `found` has looked the entry up.
template <typename Find>
void DecideFrom(Find&& found, platform::FileSearch& files, trust::TrustJudge& trust,
                Decision* decision) {
  // Only the test trims; the lookup uses the name exactly as given.
  if (!IsLongEnoughEntryName(decision->tail)) {
    decision->verdict = Verdict::kNameTooShort;
    return;
  }
  if (!found()) {
    const long status = decision->lookups.back().open_status;
    decision->verdict =
        status == platform::kRegFileNotFound ? Verdict::kNoEntry : Verdict::kUnreadable;
    decision->system_error = static_cast<std::uint32_t>(status);
    return;
  }
  if (const long status = decision->lookups.back().read_status; status != platform::kRegSuccess) {
    decision->verdict = Verdict::kUnreadable;
    decision->system_error = static_cast<std::uint32_t>(status);
    return;
  }
  decision->command = SplitUninstallCommand(decision->uninstall_string);
  if (!decision->command) {
    decision->verdict = Verdict::kNotWise;
    return;
  }
  decision->uninstaller = CheckFile(files, decision->command->uninstaller_path);
  if (!decision->uninstaller->found()) {
    decision->verdict = Verdict::kUninstallerMissing;
    decision->system_error = decision->uninstaller->error;
    return;
  }
  decision->uninstaller_trust = trust.Check(decision->uninstaller->searched, L"uninstaller");
  if (!decision->uninstaller_trust->trusted()) {
    decision->verdict = Verdict::kUninstallerUntrusted;
    return;
  }
  decision->log = CheckFile(files, decision->command->arguments);
  if (!decision->log->found()) {
    decision->verdict = Verdict::kLogMissing;
    decision->system_error = decision->log->error;
    return;
  }
  decision->log_trust = trust.Check(decision->log->searched, L"log");
  if (!decision->log_trust->trusted()) {
    decision->verdict = Verdict::kLogUntrusted;
    return;
  }
  decision->verdict = Verdict::kWouldLaunch;
  decision->program = ExplicitProgram(decision->command->uninstaller_path);
  decision->command_line = AutomaticCommandLine(*decision->command);
}

}  // namespace

Decision Decide(platform::Registry& registry, platform::FileSearch& files, trust::TrustJudge& trust,
                const std::wstring& tail, platform::RegistryView view,
                ReadReg::EntryValues values) {
  Decision decision;
  decision.tail = tail;
  decision.view = view;
  DecideFrom([&] { return FindEntry(registry, values, &decision); }, files, trust, &decision);
  return decision;
}

Decision DecideRead(const ReadReg::UninstallEntry& entry, platform::FileSearch& files,
                    trust::TrustJudge& trust, const std::wstring& name,
                    platform::RegistryView view) {
  Decision decision;
  decision.tail = name;
  decision.view = view;
  DecideFrom([&] { return Take(entry, name, &decision); }, files, trust, &decision);
  return decision;
}

const std::vector<trust::Finding>& UntrustedFindings(const Decision& decision) {
  static const std::vector<trust::Finding> kNone;
  if (decision.verdict == Verdict::kUninstallerUntrusted)
    return decision.uninstaller_trust->findings;
  if (decision.verdict == Verdict::kLogUntrusted) return decision.log_trust->findings;
  return kNone;
}

}  // namespace tarnweld
