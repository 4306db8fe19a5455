#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/trust.h"
#include "decide/log_orders.h"
#include "decide/temp_folder.h"
#include "decide/uninstall_command.h"
#include "platform/platform.h"
#include "queries/uninstall_entry.h"

namespace tarnweld {

// What the removal would do with an entry name, and the first reason not to.
enum class Verdict {
  kWouldLaunch,
  kNameTooShort,
  kNoEntry,
  kUnreadable,  // the entry exists but cannot be opened or has no readable UninstallString
  kNotWise,
  kEntryUntrusted,        // someone other than an administrator could have changed the entry
  kUninstallerMissing,    // including paths not fully qualified, devices and wildcards
  kUninstallerUntrusted,  // someone other than an administrator could have changed it
  kLogMissing,
  kLogUntrusted,
  kLogRejected,         // the uninstaller would refuse the log, at a message box that waits
  kLogOrdersUntrusted,  // the log orders something others than administrators control
  kTempUntrusted,       // no temporary folder only administrators and the caller can change
  kCount,               // of the verdicts above; none itself
};

// "would-launch", "name-too-short", ...: the names scripts and people see.
const wchar_t* VerdictName(Verdict verdict);
// TarnweldCheck.exe's exit code for the verdict.
int VerdictExitCode(Verdict verdict);

// One attempt to open an uninstall entry by name.
struct Lookup {
  std::wstring name;
  long open_status = platform::kRegFileNotFound;
  long read_status = platform::kRegSuccess;  // reading UninstallString, once opened
};

// Everything the deciding step looked at, in the order it did.
struct Decision {
  std::wstring tail;
  platform::RegistryView view = platform::RegistryView::kProgram;
  std::vector<Lookup> lookups;  // the exact name, then the second name if looked up
  std::wstring entry;           // the name whose entry was read; empty when none was
  std::wstring uninstall_string;
  ReadReg::EntryDisplay display;  // read only when asked for
  std::optional<UninstallCommand> command;
  std::optional<trust::TrustCheck> entry_trust;  // the entry's key and the Uninstall key
  std::optional<FileCheck> uninstaller;
  std::optional<trust::TrustCheck> uninstaller_trust;
  std::optional<FileCheck> log;
  std::optional<trust::TrustCheck> log_trust;
  std::optional<LogPlan> plan;  // read where the log was found; judged where it was trusted
  std::optional<TempChoice> temp;
  std::optional<PathChoice> path;  // the uninstaller's PATH, where it would launch
  Verdict verdict = Verdict::kNameTooShort;
  std::uint32_t system_error = 0;  // behind the verdict, where there is one
  std::wstring program;            // named explicitly to the system; empty: the line names it
  std::wstring command_line;       // what would be started; empty unless kWouldLaunch

  bool matched_second_name() const { return lookups.size() == 2 && !entry.empty(); }
};

// One run's deciding: the judge, whose reads it keeps for the run, and the
// temporary folder and PATH, chosen once, the same for every entry.
class Deciding {
 public:
  Deciding(const platform::Sources& sources, trust::Judging judging)
      : sources_(sources), trust_(sources, judging) {}
  const platform::Sources& sources() const { return sources_; }
  trust::TrustJudge& trust() { return trust_; }
  const TempChoice& Temp();
  const PathChoice& Path();
  // TarnweldCheck shows the plan of a log it found, trusted or not.
  bool explains() const { return trust_.judging() == trust::Judging::kEveryFinding; }

 private:
  const platform::Sources& sources_;
  trust::TrustJudge trust_;
  std::optional<TempChoice> temp_;
  std::optional<PathChoice> path_;
};

// Decides for `tail`, read from the registry's `view`: the name test, the
// lookups, the recognition and split, whether only administrators can change
// the entry, then for the uninstaller and the log in turn whether it exists
// and whether only administrators can change it, and the temporary folder.
// Reads, never writes, and starts nothing.
Decision Decide(Deciding& run, const std::wstring& tail,
                platform::RegistryView view = platform::RegistryView::kProgram,
                ReadReg::EntryValues values = ReadReg::EntryValues::kWithSecurity);

// The same for an entry already read under its exact name `name`, as an
// inventory lists them: the entry is not read again.
Decision DecideRead(Deciding& run, const ReadReg::UninstallEntry& entry, const std::wstring& name,
                    platform::RegistryView view);

// "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OldApp".
std::wstring EntryKeyPath(const std::wstring& entry);

// The findings behind an untrusted verdict; empty for every other verdict.
std::vector<trust::Finding> UntrustedFindings(const Decision& decision);

}  // namespace tarnweld
