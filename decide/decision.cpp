#include "decide/decision.h"

#include "core/text.h"
#include "core/wise.h"

namespace tarnweld {
namespace {

// Notes one lookup of `name`; true when the deciding may go on with it.
bool Take(const ReadReg::UninstallEntry& read, const std::wstring& name, Decision* decision,
          std::optional<platform::SecurityRead>* security) {
  decision->lookups.push_back({name, read.open_status, read.read_status});
  if (!read.found()) return false;
  decision->entry = name;
  decision->uninstall_string = read.uninstall_string;
  decision->display = read.display;
  *security = read.security;
  return true;
}

bool LookUp(platform::Registry& registry, const std::wstring& name, ReadReg::EntryValues values,
            Decision* decision, std::optional<platform::SecurityRead>* security) {
  return Take(ReadReg::ReadUninstallEntry(registry, name, decision->view, values), name, decision,
              security);
}

// The entry named exactly by the tail, or, when no entry has that name, the
// one named as an administrator most likely meant it. An entry that exists
// but cannot be opened gets no second lookup.
bool FindEntry(platform::Registry& registry, ReadReg::EntryValues values, Decision* decision,
               std::optional<platform::SecurityRead>* security) {
  if (LookUp(registry, decision->tail, values, decision, security)) return true;
  if (decision->lookups.back().open_status != platform::kRegFileNotFound) return false;
  const auto second = SecondEntryName(decision->tail);
  return second && LookUp(registry, *second, values, decision, security);
}

platform::SecurityRead UninstallKeySecurity(platform::Registry& registry,
                                            platform::RegistryView view) {
  std::unique_ptr<platform::RegistryKey> key;
  const long status = registry.OpenLocalMachineKey(wise::kUninstallKey, view, &key);
  if (status != platform::kRegSuccess || !key) {
    platform::SecurityRead unread;
    unread.error = static_cast<std::uint32_t>(status == platform::kRegSuccess ? 1 : status);
    return unread;
  }
  return key->Security();
}

// Whoever can write the entry chooses which uninstaller runs on which log;
// whoever can rewrite the Uninstall key's permissions can write any entry.
trust::TrustCheck JudgeEntry(platform::Registry& registry, trust::TrustJudge& trust,
                             const Decision& decision,
                             const std::optional<platform::SecurityRead>& security) {
  trust::TrustCheck check;
  platform::SecurityRead entry_security;
  if (security) {
    entry_security = *security;
  } else {
    entry_security.error = platform::kFileNotFound;  // not read: cannot be judged
  }
  const std::wstring uninstall_key = std::wstring(L"HKLM\\") + wise::kUninstallKey;
  const platform::SecurityRead& uninstall_security = trust.UninstallKey(
      decision.view, [&] { return UninstallKeySecurity(registry, decision.view); });
  check.findings = trust.CheckKey(uninstall_security, trust::Role::kUninstallKey, L"uninstall key",
                                  uninstall_key);
  if (!check.findings.empty() && trust.judging() == trust::Judging::kUntilFirstFinding) {
    return check;
  }
  for (trust::Finding& finding : trust.CheckKey(entry_security, trust::Role::kEntryKey, L"entry",
                                                EntryKeyPath(decision.entry))) {
    check.findings.push_back(std::move(finding));
  }
  return check;
}

// Whether the file a path names may be used: the rules on its text, then
// the walk from its drive down to it. Sets the verdict when it may not.
bool CheckUsable(const platform::Sources& sources, trust::TrustJudge& trust,
                 const std::wstring& text, const wchar_t* what, Verdict missing, Verdict untrusted,
                 std::optional<FileCheck>* file, std::optional<trust::TrustCheck>* file_trust,
                 Decision* decision) {
  *file = CheckPath(sources.code_page, text);
  FileCheck& check = **file;
  if (!check.path) {
    decision->verdict = missing;
    return false;
  }
  const trust::Walk walk = trust.CheckFile(
      *check.path, trust::NamesFor(what),
      missing == Verdict::kUninstallerMissing ? trust::Role::kProgramFolder : trust::Role::kFolder);
  *file_trust = walk.check;
  if (walk.found) check.status = StatusOf(*walk.found);
  if (walk.missing) check.status = FileStatus::kMissing;
  check.error = walk.error;
  if (walk.refused_on_the_way) {
    decision->verdict = untrusted;
    return false;
  }
  if (!check.found()) {
    decision->verdict = missing;
    decision->system_error = check.error;
    return false;
  }
  if (!walk.check.trusted()) {
    decision->verdict = untrusted;
    return false;
  }
  return true;
}

// Everything after the name test, once `found` has looked the entry up.
template <typename Find>
void DecideFrom(Find&& found, Deciding& run, Decision* decision) {
  const platform::Sources& sources = run.sources();
  trust::TrustJudge& trust = run.trust();
  // Only the test trims; the lookup uses the name exactly as given.
  if (!IsLongEnoughEntryName(decision->tail)) {
    decision->verdict = Verdict::kNameTooShort;
    return;
  }
  std::optional<platform::SecurityRead> security;
  if (!found(&security)) {
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
  trust.BeginEntry();
  decision->entry_trust = JudgeEntry(sources.registry, trust, *decision, security);
  if (!decision->entry_trust->trusted()) {
    decision->verdict = Verdict::kEntryUntrusted;
    return;
  }
  if (!CheckUsable(sources, trust, decision->command->uninstaller_path, L"uninstaller",
                   Verdict::kUninstallerMissing, Verdict::kUninstallerUntrusted,
                   &decision->uninstaller, &decision->uninstaller_trust, decision) ||
      !CheckUsable(sources, trust, decision->command->arguments, L"log", Verdict::kLogMissing,
                   Verdict::kLogUntrusted, &decision->log, &decision->log_trust, decision)) {
    if (decision->verdict == Verdict::kLogUntrusted && run.explains() && decision->log->found()) {
      decision->plan = ReadLog(sources, decision->log->searched);
    }
    return;
  }
  // The log is the uninstaller's program: read only once it is trusted.
  decision->plan = ReadLog(sources, decision->log->searched);
  if (decision->plan->rejected()) {
    decision->verdict = Verdict::kLogRejected;
    return;
  }
  JudgeOrders(sources, trust, &*decision->plan);
  if (!decision->plan->trusted()) {
    decision->verdict = Verdict::kLogOrdersUntrusted;
    decision->system_error = decision->plan->read_error;
    return;
  }
  decision->temp = run.Temp();
  if (!decision->temp->found()) {
    decision->verdict = Verdict::kTempUntrusted;
    return;
  }
  decision->path = WithoutEmptied(run.Path(), *decision->plan, sources.security);
  decision->verdict = Verdict::kWouldLaunch;
  decision->program = ExplicitProgram(decision->command->uninstaller_path);
  decision->command_line = AutomaticCommandLine(*decision->command);
}

}  // namespace

const TempChoice& Deciding::Temp() {
  if (!temp_) temp_ = ChooseTempFolder(sources_, trust_);
  return *temp_;
}

const PathChoice& Deciding::Path() {
  if (!path_) path_ = ChoosePath(sources_, trust_);
  return *path_;
}

namespace {

// A decision on the entry named `tail`, which `find` looks up.
template <typename Find>
Decision DecideWith(Deciding& run, const std::wstring& tail, platform::RegistryView view,
                    Find&& find) {
  Decision decision;
  decision.tail = tail;
  decision.view = view;
  DecideFrom(
      [&](std::optional<platform::SecurityRead>* security) {
        return find(&decision, security);
      },
      run, &decision);
  return decision;
}

}  // namespace

Decision Decide(Deciding& run, const std::wstring& tail, platform::RegistryView view,
                ReadReg::EntryValues values) {
  return DecideWith(run, tail, view, [&](Decision* decision, auto* security) {
    return FindEntry(run.sources().registry, values, decision, security);
  });
}

Decision DecideRead(Deciding& run, const ReadReg::UninstallEntry& entry, const std::wstring& name,
                    platform::RegistryView view) {
  return DecideWith(run, name, view, [&](Decision* decision, auto* security) {
    return Take(entry, name, decision, security);
  });
}

std::wstring EntryKeyPath(const std::wstring& entry) {
  return std::wstring(L"HKLM\\") + wise::kUninstallKey + L"\\" + entry;
}

std::vector<trust::Finding> UntrustedFindings(const Decision& decision) {
  switch (decision.verdict) {
    case Verdict::kEntryUntrusted:
      return decision.entry_trust->findings;
    case Verdict::kUninstallerUntrusted:
      return decision.uninstaller_trust->findings;
    case Verdict::kLogUntrusted:
      return decision.log_trust->findings;
    case Verdict::kLogOrdersUntrusted: {
      std::vector<trust::Finding> findings;
      for (const OrderFinding& found : decision.plan->findings) findings.push_back(found.finding);
      return findings;
    }
    case Verdict::kTempUntrusted: {
      std::vector<trust::Finding> findings;
      for (const TempCandidate& candidate : decision.temp->tried) {
        const auto& found = candidate.walk.check.findings;
        findings.insert(findings.end(), found.begin(), found.end());
      }
      return findings;
    }
    default:
      return {};
  }
}

}  // namespace tarnweld
