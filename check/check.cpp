#include "check/check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "check/json.h"
#include "check/mending.h"
#include "check/plan_report.h"
#include "core/text.h"
#include "core/wise.h"
#include "decide/decision.h"
#include "decide/decision_text.h"
#include "decide/message_boxes.h"
#include "decide/running_removals.h"
#include "queries/read_reg.h"

namespace tarnweld::check {

using text::Bracketed;
using text::ErrorText;
namespace {

constexpr int kUsageError = 2;
constexpr int kFailed = 1;
constexpr std::wstring_view kBlanks = L" \t";

constexpr wchar_t kUsage[] =
    L"TarnweldCheck: what Tarnweld.exe would do, and why. Reads only; starts nothing.\n"
    L"\n"
    L"  TarnweldCheck.exe [/json] <entry name>\n"
    L"      Explains, step by step, what Tarnweld.exe would do with the same entry\n"
    L"      name, and ends with the verdict's exit code.\n"
    L"  TarnweldCheck.exe /all [/json]\n"
    L"      Lists every uninstall entry that runs UNWISE.EXE or UNWISE32.EXE, in both\n"
    L"      registry views, with its verdict.\n"
    L"  TarnweldCheck.exe /?\n"
    L"      Shows this text.\n"
    L"\n"
    L"Options count only as the first words, before the entry name; an entry whose\n"
    L"name starts with / (such as one named /all) cannot be checked.\n"
    L"\n"
    L"Exit codes: 0 also when /all listed, 1 a failure, 2 usage; for each verdict:\n";

std::wstring Usage() { return kUsage + ExitCodeList() + L".\n"; }

const wchar_t* ViewName(platform::RegistryView view) {
  return view == platform::RegistryView::k64Bit ? L"64-bit" : L"32-bit";
}

// A removal's process running on the machine, as far as the check sees it.
struct RunningProcess {
  RunningRemoval removal;
  std::optional<std::wstring> command_line;
  std::optional<MessageShown> message;
  std::wstring unreadable;  // why its windows cannot be read from here; empty: they were
  // It holds every later removal back: it counts, and it stopped at a
  // message box or has run longer than a removal waits.
  bool stuck() const { return removal.counted && (message || removal.past_the_limit()); }
};

// "process 4711 [unwise.exe], run by SYSTEM (S-1-5-18): counted; running for 700.0 s; ..."
std::wstring Describe(const RunningProcess& running) {
  std::wstring line = Describe(running.removal);
  if (running.removal.run_ms) line += L"; running for " + text::Seconds(*running.removal.run_ms);
  if (running.command_line) line += L"; command line " + Bracketed(*running.command_line);
  if (running.message) {
    line += L"\n    it shows a message " + Bracketed(running.message->title) + L": " +
            Bracketed(running.message->text);
  } else if (!running.unreadable.empty()) {
    line += L"\n    its windows cannot be read from here: " + running.unreadable +
            L" (TarnweldCheck run as SYSTEM, from the deployment tool say, sees them)";
  }
  return line;
}

// One entry as the check reports it.
struct Report {
  Decision decision;
  std::wstring entry;
  platform::RegistryView view;
  bool read_by_tarnweld;
  std::vector<std::wstring> hints;
  std::wstring uninstaller_sha256, log_sha256;  // empty: not found, or not read
  bool removal_in_progress;
  std::vector<RunningProcess> running;
};

// Whether a file was found as a normal file on a fixed local disk, is no
// link, and lies below folders only administrators can change: only then is
// it read, for its SHA-256. Below a folder others could change, what is read
// need not be what the uninstaller would get.
bool Readable(const std::optional<FileCheck>& file, const std::optional<trust::TrustCheck>& trust) {
  if (!file || !file->found() || !trust) return false;
  return std::none_of(trust->findings.begin(), trust->findings.end(),
                      [&](const trust::Finding& finding) {
                        return finding.role != trust::Role::kFile || !finding.permissions;
                      });
}

// Where a file found was not read for its SHA-256, because of a folder on
// the way to it.
bool BelowUntrustedFolder(const std::optional<FileCheck>& file,
                          const std::optional<trust::TrustCheck>& trust) {
  if (!file || !file->found() || !trust) return false;
  return std::any_of(
      trust->findings.begin(), trust->findings.end(),
      [&](const trust::Finding& finding) { return finding.role != trust::Role::kFile; });
}

// Whether the log was read and its lines parsed: only then is there a plan
// to show.
bool Parsed(const Decision& decision) {
  if (!decision.plan) return false;
  const LogPlan& plan = *decision.plan;
  return plan.read_error == 0 && plan.bound != LogBound::kBytes && plan.bound != LogBound::kLines;
}

// Names that differ only in quotation marks, blanks at either end, or
// letter case, which people cannot tell apart in a batch file.
std::wstring Loose(std::wstring_view name) {
  std::wstring loose;
  for (const wchar_t c : name) {
    if (c != L'"') loose += text::UpperAscii(c);
  }
  const std::size_t first = loose.find_first_not_of(kBlanks);
  if (first == std::wstring::npos) return {};
  return loose.substr(first, loose.find_last_not_of(kBlanks) - first + 1);
}

std::wstring NameNote(const std::wstring& typed) {
  if (typed.find(L'"') != std::wstring::npos) return L" (note the quotation marks)";
  if (!typed.empty() && kBlanks.find(typed.back()) != std::wstring_view::npos) {
    return L" (note the trailing blank)";
  }
  if (!typed.empty() && kBlanks.find(typed.front()) != std::wstring_view::npos) {
    return L" (note the leading blank)";
  }
  return {};
}

// "Old App 2.1 (Old Vendor)", from the entry's own values.
std::wstring Installation(const Report& report) {
  const ReadReg::EntryDisplay& display = report.decision.display;
  return display.name + L" " + display.version +
         (display.publisher.empty() ? L"" : L" (" + display.publisher + L")");
}

class Checker {
 public:
  explicit Checker(CheckPlatform& platform)
      : platform_(platform),
        views_(platform.listing.Views()),
        run_(platform.sources, trust::Judging::kEveryFinding),
        protected_(platform.sources.environment, platform.sources.system),
        windows_directory_(WinPath::Qualified(platform.sources.system.WindowsDirectory())) {}

  int One(const Options& options) {
    // Read as Tarnweld.exe reads it: in the program's own view.
    Report report = Decided(Decide(run_, options.entry, platform::RegistryView::kProgram,
                                   ReadReg::EntryValues::kWithDisplay),
                            views_.front());
    AddEntryHints(&report);
    AddLineEndHint(&report);
    AddRemovalHint(&report);
    const bool written =
        platform_.out.Write(options.json ? Json(report, false) + L"\n" : Text(report));
    return written ? VerdictExitCode(report.decision.verdict) : kFailed;
  }

  int All(const Options& options) {
    std::vector<Report> reports;
    int status = 0;
    for (const platform::RegistryView view : views_) {
      std::vector<std::wstring> names;
      const long listed = platform_.listing.SubkeyNames(wise::kUninstallKey, view, &names);
      // A view that never had a program of its bitness has no Uninstall key.
      if (listed == platform::kRegFileNotFound) continue;
      if (listed != platform::kRegSuccess) {
        platform_.err.Write(L"TarnweldCheck: the " + std::wstring(ViewName(view)) +
                            L" uninstall key cannot be listed (" + ErrorText(listed) + L")\n");
        status = kFailed;
        continue;
      }
      for (const std::wstring& name : names) {
        const ReadReg::UninstallEntry entry = ReadReg::ReadUninstallEntry(
            platform_.sources.registry, name, view, ReadReg::EntryValues::kForInventory);
        if (!RunsWise(entry)) continue;
        reports.push_back(Decided(DecideRead(run_, entry, name, view), view));
        AddInventoryHints(&reports.back());
        AddLineEndHint(&reports.back());
        AddRemovalHint(&reports.back());
      }
    }
    RemovalInProgress();  // asked once, also where no entry was listed
    if (!platform_.out.Write(options.json ? JsonArray(reports) : Listing(reports))) return kFailed;
    return status;
  }

 private:
  static bool RunsWise(const ReadReg::UninstallEntry& read) {
    return read.read() && SplitUninstallCommand(read.uninstall_string).has_value();
  }

  Report Decided(Decision decision, platform::RegistryView view) {
    Report report{std::move(decision), {},      view, view == views_.front(), {}, {}, {},
                  RemovalInProgress(), running_};
    const Decision& d = report.decision;
    report.entry = d.entry.empty() ? d.tail : d.entry;
    if (Readable(d.uninstaller, d.uninstaller_trust)) {
      report.uninstaller_sha256 = platform_.digest.Sha256(d.uninstaller->searched);
    }
    if (Readable(d.log, d.log_trust)) report.log_sha256 = platform_.digest.Sha256(d.log->searched);
    if (InWindowsFolder(d)) {
      report.hints.push_back(
          L"the uninstaller is the Windows folder's own, which several Wise installations share: "
          L"it may come from whichever product was installed last, so its SHA-256 may differ "
          L"between machines that have the same product");
    }
    return report;
  }

  bool InWindowsFolder(const Decision& decision) const {
    if (!decision.uninstaller || !decision.uninstaller->found() || !windows_directory_) {
      return false;
    }
    return decision.uninstaller->path->Parent() == *windows_directory_;
  }

  void AddEntryHints(Report* report) {
    const Decision& decision = report->decision;
    if (decision.matched_second_name()) {
      report->hints.push_back(L"no entry " + Bracketed(decision.tail) + NameNote(decision.tail) +
                              L"; an entry " + Bracketed(decision.entry) +
                              L" exists, and Tarnweld.exe uses it");
    }
    if (decision.verdict != Verdict::kNoEntry) return;
    for (const std::wstring& name : SimilarNames(decision.tail)) {
      report->hints.push_back(L"no entry " + Bracketed(decision.tail) + NameNote(decision.tail) +
                              L"; an entry " + Bracketed(name) + L" exists");
    }
    if (views_.size() < 2) return;
    for (const Lookup& lookup : decision.lookups) {
      if (ReadReg::ReadUninstallEntry(platform_.sources.registry, lookup.name, views_[1]).found()) {
        report->hints.push_back(NotReadHint(L"the entry " + Bracketed(lookup.name), views_[1]));
        break;
      }
    }
  }

  // Whether a Wise removal is under way on the machine now: the removal lock
  // exists, or an uninstaller or its copy runs that Tarnweld.exe counts.
  // Asked once a run; the lock is never waited on, since a wait that
  // succeeds would take it.
  bool RemovalInProgress() {
    if (!removal_in_progress_) {
      RunningRemovals removals(platform_.processes, run_.trust().principals());
      std::vector<RunningRemoval> judged =
          removals.Judge(ReadReg::ScanProcesses(platform_.processes));
      removal_in_progress_ = platform_.locks.Exists() || AnyCounted(judged);
      for (RunningRemoval& removal : judged) {
        const std::uint32_t id = removal.process.id;
        running_.push_back({std::move(removal), platform_.processes.CommandLineOf(id), {}, {}});
      }
      ReadMessages();
    }
    return *removal_in_progress_;
  }

  // The message box each process shows, where its windows can be read from
  // here: another session's, or another desktop's, cannot be listed.
  void ReadMessages() {
    const std::optional<std::uint32_t> own = platform_.processes.OwnSession();
    std::vector<std::uint32_t> readable;
    for (RunningProcess& running : running_) {
      const std::optional<std::uint32_t> session =
          platform_.processes.SessionOf(running.removal.process.id);
      if (session && own && *session == *own) {
        readable.push_back(running.removal.process.id);
      } else {
        running.unreadable = session && own ? L"it runs in session " + text::Decimal(*session) +
                                                  L", this check in session " + text::Decimal(*own)
                                            : std::wstring(L"its session cannot be read");
      }
    }
    if (readable.empty()) return;
    MessageWatch watch;
    platform::WindowsSeen seen = platform_.windows.Of(readable);
    std::vector<MessageShown> shown = watch.Look(seen, platform_.sources.clock.TickMilliseconds());
    if (watch.Pending()) {
      platform_.pause.Sleep(kMessageSettleMs);
      seen = platform_.windows.Of(readable);
      shown = watch.Look(seen, platform_.sources.clock.TickMilliseconds());
    }
    for (RunningProcess& running : running_) {
      if (!running.unreadable.empty()) continue;
      if (seen.error != 0)
        running.unreadable = L"they cannot be listed (" + ErrorText(seen.error) + L")";
      for (const MessageShown& message : shown) {
        if (message.process_id == running.removal.process.id) running.message = message;
      }
    }
  }

  // Every process named as a removal's, and whether Tarnweld.exe counts it.
  std::wstring RunningText() const {
    if (running_.empty()) return {};
    std::wstring text =
        L"Wise processes running on this machine (Tarnweld.exe waits only for those counted):\n";
    for (const RunningProcess& running : running_) text += L"  " + Describe(running) + L"\n";
    return text;
  }

  static std::wstring RunningJson(const std::vector<RunningProcess>& all) {
    std::wstring json = L"[";
    for (const RunningProcess& running : all) {
      const RunningRemoval& removal = running.removal;
      JsonObject object;
      object.Number(L"id", removal.process.id)
          .Text(L"name", removal.process.name)
          .TextOrNull(L"user", removal.user_name)
          .TextOrNull(L"sid", removal.user.sid)
          .Boolean(L"counted", removal.counted)
          .Raw(L"runningMs", removal.run_ms ? text::Decimal(*removal.run_ms) : L"null")
          .TextOrNull(L"commandLine", running.command_line.value_or(L""))
          .Raw(L"message", running.message ? JsonObject()
                                                 .Text(L"title", running.message->title)
                                                 .Text(L"text", running.message->text)
                                                 .Close()
                                           : L"null")
          .TextOrNull(L"windowsUnreadable", running.unreadable)
          .Boolean(L"stuck", running.stuck());
      json += (json == L"[" ? L"" : L", ") + object.Close();
    }
    return json + L"]";
  }

  // ISO 8859-1 gives each byte one character and back, so that every byte
  // but the line ends stays as it was, in whatever code page the log is.
  static void AddLineEndHint(Report* report) {
    const Decision& decision = report->decision;
    if (decision.verdict != Verdict::kLogRejected) return;
    if (decision.plan->line_end_fault->kind == wise_log::LineEndFault::Kind::kEmpty) {
      report->hints.push_back(
          L"an empty log names nothing to remove: restore it from a copy known to be good");
      return;
    }
    std::wstring quoted;
    for (const wchar_t c : decision.log->searched)
      quoted += c == L'\'' ? L"''" : std::wstring(1, c);
    report->hints.push_back(
        L"compare the log with a copy known to be good; then, as an administrator, this "
        L"PowerShell line ends every line in CRLF and keeps every other byte: $p='" +
        quoted +
        L"'; $e=[Text.Encoding]::GetEncoding(28591); [IO.File]::WriteAllText($p, "
        L"([IO.File]::ReadAllText($p,$e) -replace \"\\r?\\n|\\r\", \"`r`n\"), $e)");
  }

  void AddRemovalHint(Report* report) {
    for (const RunningProcess& running : running_) {
      if (!running.stuck()) continue;
      const ReadReg::RemovalProcess& process = running.removal.process;
      report->hints.push_back(
          L"process " + text::Decimal(process.id) + L" " + Bracketed(process.name) +
          L" holds every later removal back; once its message, if any, has been read, an "
          L"administrator can end it and what it started: taskkill /F /T /FI \"PID eq " +
          text::Decimal(process.id) + L"\" /FI \"IMAGENAME eq " + process.name + L"\"");
    }
    if (!report->removal_in_progress) return;
    report->hints.push_back(
        L"a removal is under way on this machine (the removal lock is held, or an uninstaller "
        L"runs): Tarnweld.exe started now would wait for it to end, then decide afresh");
  }

  void AddInventoryHints(Report* report) {
    if (!report->read_by_tarnweld) {
      report->hints.push_back(NotReadHint(L"this entry", report->view));
    }
    if (!report->entry.empty() && kBlanks.find(report->entry.front()) != std::wstring_view::npos) {
      report->hints.push_back(L"the name starts with a blank, which no command line passes on");
    }
  }

  std::wstring NotReadHint(const std::wstring& subject, platform::RegistryView view) const {
    return subject + L" is in the " + ViewName(view) + L" view, which the " +
           ViewName(views_.front()) + L" Tarnweld.exe does not read";
  }

  std::vector<std::wstring> SimilarNames(const std::wstring& typed) {
    std::vector<std::wstring> names, similar;
    if (platform_.listing.SubkeyNames(wise::kUninstallKey, views_.front(), &names) !=
        platform::kRegSuccess) {
      return similar;
    }
    const std::wstring loose = Loose(typed);
    for (const std::wstring& name : names) {
      if (!loose.empty() && Loose(name) == loose) similar.push_back(name);
    }
    return similar;
  }

  // The inventory counts each plan's kinds; one entry's check lists them.
  static std::wstring Json(const Report& report, bool inventory) {
    const Decision& decision = report.decision;
    const bool parsed = Parsed(decision);
    JsonObject json;
    json.Text(L"entry", report.entry)
        .Text(L"view", ViewName(report.view))
        .Boolean(L"readByTarnweld", report.read_by_tarnweld)
        .TextOrNull(L"displayName", report.decision.display.name)
        .TextOrNull(L"displayVersion", report.decision.display.version)
        .TextOrNull(L"publisher", report.decision.display.publisher)
        .TextOrNull(L"uninstallString", decision.uninstall_string)
        .Text(L"verdict", VerdictName(decision.verdict))
        .Number(L"exitCode", VerdictExitCode(decision.verdict))
        .TextOrNull(L"uninstaller", decision.uninstaller ? decision.uninstaller->searched : L"")
        .TextOrNull(L"uninstallerSha256", report.uninstaller_sha256)
        .TextOrNull(L"log", decision.log ? decision.log->searched : L"")
        .TextOrNull(L"logSha256", report.log_sha256)
        .TextOrNull(L"commandLine", decision.command_line)
        .TextOrNull(L"temp", decision.temp ? decision.temp->folder() : L"")
        .Boolean(L"tempCreated", decision.temp && decision.temp->make())
        .Text(L"detail", Summary(decision))
        .Boolean(L"removalInProgress", report.removal_in_progress)
        .Raw(L"running", RunningJson(report.running))
        .Texts(L"hints", report.hints)
        .Raw(L"untrusted", UntrustedJson(decision));
    if (inventory) {
      json.Raw(L"planCounts", parsed ? PlanCountsJson(*decision.plan) : L"null");
    } else {
      json.Raw(L"plan", parsed ? PlanJson(*decision.plan) : L"null");
    }
    json.Raw(L"notUnderstood",
             parsed ? text::Decimal(decision.plan->log.not_understood.size()) : L"null");
    return json.Close();
  }

  static std::wstring UntrustedJson(const Decision& decision) {
    std::wstring json = L"[";
    const auto add = [&](const trust::Finding& finding, const OrderFinding* order) {
      JsonObject object;
      if (order) {
        object.Number(L"line", order->line).Text(L"kind", order->kind).Text(L"order", order->order);
      }
      object.Text(L"path", finding.path)
          .TextOrNull(L"principal", finding.principal)
          .TextOrNull(L"sid", finding.sid)
          .Text(L"rights", finding.rights);
      json += (json == L"[" ? L"" : L", ") + object.Close();
    };
    if (decision.verdict == Verdict::kLogOrdersUntrusted) {
      for (const OrderFinding& found : decision.plan->findings) add(found.finding, &found);
    } else {
      for (const trust::Finding& finding : UntrustedFindings(decision)) add(finding, nullptr);
    }
    return json + L"]";
  }

  static std::wstring JsonArray(const std::vector<Report>& reports) {
    std::wstring json = L"[";
    for (const Report& report : reports) {
      json += (&report == &reports.front() ? L"\n" : L",\n") + Json(report, true);
    }
    return json + L"\n]\n";
  }

  std::wstring Text(const Report& report) {
    const Decision& decision = report.decision;
    std::wstring text = L"TarnweldCheck: what Tarnweld.exe would do with the entry name " +
                        Bracketed(decision.tail) + L"\n";
    text += std::wstring(L"Registry: HKLM\\") + wise::kUninstallKey + L", " +
            ViewName(report.view) + L" view\n";
    if (!report.decision.display.name.empty())
      text += L"Installation: " + Installation(report) + L"\n";
    for (const std::wstring& step : DescribeSteps(decision)) text += L"  " + step + L"\n";
    if (!report.uninstaller_sha256.empty()) {
      text += L"  uninstaller " + Bracketed(decision.uninstaller->searched) + L": SHA-256 " +
              report.uninstaller_sha256 + L"\n";
    }
    if (!report.log_sha256.empty()) {
      text +=
          L"  log " + Bracketed(decision.log->searched) + L": SHA-256 " + report.log_sha256 + L"\n";
    }
    const auto not_hashed = [&](const wchar_t* what, const std::optional<FileCheck>& file,
                                const std::optional<trust::TrustCheck>& trust) {
      if (!BelowUntrustedFolder(file, trust)) return;
      text += std::wstring(L"  ") + what + Bracketed(file->searched) +
              L": not read for its SHA-256: others could change a folder on the way to it, so "
              L"what is read there need not be what Tarnweld.exe would use\n";
    };
    not_hashed(L"uninstaller ", decision.uninstaller, decision.uninstaller_trust);
    not_hashed(L"log ", decision.log, decision.log_trust);
    text += std::wstring(L"Verdict: ") + VerdictName(decision.verdict) + L" (exit code " +
            text::Decimal(VerdictExitCode(decision.verdict)) + L"). " + Summary(decision) + L"\n";
    if (decision.verdict == Verdict::kWouldLaunch) {
      text += L"Tarnweld.exe would start: " + decision.command_line + L"\n";
    }
    text += Advice(decision);
    if (Parsed(decision)) text += PlanText(*decision.plan);
    if (decision.temp) text += TempAccount();
    text += RunningText();
    for (const std::wstring& hint : report.hints) text += L"Hint: " + hint + L"\n";
    return text;
  }

  // What to do about an untrusted verdict.
  std::wstring Advice(const Decision& decision) {
    const std::vector<trust::Finding> findings = UntrustedFindings(decision);
    if (decision.verdict == Verdict::kEntryUntrusted) {
      return L"No command here mends this: as an administrator, make Administrators the owner of "
             L"the key named, and let only Administrators, SYSTEM and TrustedInstaller change it "
             L"(regedit, Permissions); then compare its UninstallString with what the "
             L"installation registered.\n";
    }
    if (decision.verdict == Verdict::kTempUntrusted) {
      return L"No command here mends this: let TEMP and TMP of the account that runs "
             L"Tarnweld.exe name a folder only administrators can change, or let "
             L"%SystemRoot%\\Temp be one that only administrators can delete or take over.\n";
    }
    if (decision.verdict == Verdict::kLogOrdersUntrusted) return OrdersAdvice(*decision.plan);
    if (findings.empty()) return {};
    std::wstring text =
        L"Mending the permissions does not make these files trustworthy: while others could "
        L"change them, the uninstaller or the log may have been replaced, and a DLL planted "
        L"beside the uninstaller. First compare both with copies known to be good (their "
        L"SHA-256 is above, where they were found), or restore them from one, and look for "
        L"files that do not belong beside the uninstaller.\n";
    const Mending mending = Mend(findings, protected_, [this](const WinPath& folder) {
      return run_.trust().UntrustedExplicitSids(folder);
    });
    if (mending.lines.empty()) {
      return text + L"No command here mends this (" + mending.why_none +
             L"): the installation belongs in a folder only administrators can change, on a "
             L"fixed local disk.\n";
    }
    text += L"Then, to mend the permissions (Windows Vista and later), as an administrator:\n";
    for (const std::wstring& line : mending.lines) text += L"  " + line + L"\n";
    return text;
  }

  // What to do about a log whose orders reach what others control: the
  // lines for each order's objects, which may lie far apart.
  std::wstring OrdersAdvice(const LogPlan& plan) {
    if (plan.read_error != 0 || plan.bound != LogBound::kNone) {
      return L"No command here mends this: Tarnweld.exe runs no uninstaller on a log it cannot "
             L"judge whole. Read the log yourself, and remove this installation another way.\n";
    }
    std::wstring text =
        L"Mending the permissions does not make what the log orders trustworthy: while others "
        L"could change them, a program it runs may have been replaced, a DLL planted beside it, "
        L"or a folder it deletes in turned into a junction. First compare the programs it runs "
        L"with copies known to be good, and look for junctions (dir /AL /S) and files that do "
        L"not belong in the folders named.\n";
    std::vector<std::wstring> lines, words;
    const auto add_once = [](std::vector<std::wstring>* list, const std::wstring& line) {
      if (std::find(list->begin(), list->end(), line) == list->end()) list->push_back(line);
    };
    std::map<std::size_t, std::vector<trust::Finding>> by_line;
    for (const OrderFinding& found : plan.findings) by_line[found.line].push_back(found.finding);
    for (const auto& [line, group] : by_line) {
      const std::wstring order = L"line " + text::Decimal(line);
      if (group.front().role == trust::Role::kOrderKey) {
        add_once(&words, order + L": make Administrators the owner of the key " +
                             Bracketed(group.front().path) +
                             L" and let only Administrators, SYSTEM and TrustedInstaller change "
                             L"it (regedit, Permissions)");
      } else {
        const Mending mending = Mend(group, protected_, [this](const WinPath& folder) {
          return run_.trust().UntrustedExplicitSids(folder);
        });
        for (const std::wstring& mend : mending.lines) add_once(&lines, mend);
        if (mending.lines.empty()) {
          add_once(&words, order + L": no command here mends this (" + mending.why_none + L")");
        }
      }
    }
    if (!lines.empty()) {
      text += L"Then, to mend the permissions (Windows Vista and later), as an administrator:\n";
      for (const std::wstring& line : lines) text += L"  " + line + L"\n";
    }
    for (const std::wstring& line : words) text += L"For " + line + L".\n";
    return text;
  }

  // The temporary folder is the one of the account this check runs as.
  std::wstring TempAccount() {
    trust::Principals& principals = run_.trust().principals();
    return L"Temporary folder: judged for " + principals.Named(principals.CallerSid()) +
           L", the account this check runs as; Tarnweld.exe run as another account (SYSTEM, "
           L"say) judges that account's own.\n";
  }

  std::wstring Listing(const std::vector<Report>& reports) const {
    std::wstring text =
        std::wstring(L"Wise installations under HKLM\\") + wise::kUninstallKey + L":\n";
    for (const Report& report : reports) {
      text += L"\n" + Bracketed(report.entry) + L" in the " + ViewName(report.view) + L" view" +
              (report.read_by_tarnweld ? L"" : L" (not read by Tarnweld.exe)") + L": " +
              VerdictName(report.decision.verdict) + L"\n";
      if (!report.decision.display.name.empty()) text += L"  " + Installation(report) + L"\n";
      text += L"  " + Summary(report.decision) + L"\n";
      if (!report.uninstaller_sha256.empty()) {
        text += L"  uninstaller SHA-256 " + report.uninstaller_sha256 + L"\n";
      }
      if (Parsed(report.decision)) {
        text += L"  the log orders: " + PlanCountsText(*report.decision.plan) + L"\n";
      }
      if (report.decision.verdict == Verdict::kLogOrdersUntrusted) {
        for (const OrderFinding& found : report.decision.plan->findings) {
          text += L"  " + Describe(found) + L"\n";
        }
      } else {
        for (const trust::Finding& finding : UntrustedFindings(report.decision)) {
          text += L"  " + trust::Describe(finding) + L"\n";
        }
      }
      for (const std::wstring& hint : report.hints) text += L"  Hint: " + hint + L"\n";
    }
    text += L"\n" + text::Decimal(reports.size()) + L" Wise installation" +
            (reports.size() == 1 ? L"" : L"s") + L" found.\n";
    if (!running_.empty()) text += L"\n" + RunningText();
    return text;
  }

  CheckPlatform& platform_;
  std::vector<platform::RegistryView> views_;
  Deciding run_;
  ProtectedFolders protected_;
  std::optional<WinPath> windows_directory_;
  std::optional<bool> removal_in_progress_;
  std::vector<RunningProcess> running_;
};

}  // namespace

Options ParseOptions(const std::wstring& tail) {
  Options options;
  std::wstring_view rest = tail;
  while (!rest.empty() && rest.front() == L'/') {
    const std::wstring_view word = rest.substr(0, rest.find_first_of(kBlanks));
    if (text::EqualsIgnoringAsciiCase(word, std::wstring_view(L"/json"))) {
      options.json = true;
    } else if (text::EqualsIgnoringAsciiCase(word, std::wstring_view(L"/all"))) {
      options.mode = Mode::kAll;
    } else if (word == L"/?") {
      options.mode = Mode::kUsage;
      return options;
    } else {
      options.error = L"unknown option " + Bracketed(word);
      return options;
    }
    rest.remove_prefix(word.size());
    const std::size_t next = rest.find_first_not_of(kBlanks);
    rest.remove_prefix(next == std::wstring_view::npos ? rest.size() : next);
  }
  options.entry = rest;
  if (options.mode == Mode::kAll && !options.entry.empty()) {
    options.error = L"/all takes no entry name";
  }
  return options;
}

int RunCheck(CheckPlatform& platform, const std::wstring& tail) {
  const Options options = ParseOptions(tail);
  if (!options.error.empty()) {
    platform.err.Write(L"TarnweldCheck: " + options.error + L"\n\n" + Usage());
    return kUsageError;
  }
  if (options.mode == Mode::kUsage) {
    return platform.out.Write(Usage()) ? 0 : kFailed;
  }
  Checker checker(platform);
  return options.mode == Mode::kAll ? checker.All(options) : checker.One(options);
}

}  // namespace tarnweld::check
