#include "decide/decision_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::Narrow;

// A path that passed the rules on its text.
FileCheck Passed(const wchar_t* path) {
  return {path, FileStatus::kNotSearched, 0, WinPath::Qualified(path)};
}

// The worked example as deciding leaves it, for each case to change.
Decision Launching() {
  Decision d;
  d.tail = L"OldApp";
  d.lookups = {{L"OldApp", platform::kRegSuccess, platform::kRegSuccess}};
  d.entry = L"OldApp";
  d.uninstall_string = L"C:\\W\\UNWISE.EXE C:\\L.TXT";
  d.command = SplitUninstallCommand(d.uninstall_string);
  d.uninstaller = FileCheck{L"C:\\W\\UNWISE.EXE", FileStatus::kFound};
  d.uninstaller_trust = trust::TrustCheck{};
  d.log = FileCheck{L"C:\\L.TXT", FileStatus::kFound};
  d.log_trust = trust::TrustCheck{};
  d.entry_trust = trust::TrustCheck{};
  d.temp = TempChoice{{{TempSource::kCallers, L"C:\\T", Passed(L"C:\\T"), {}}}};
  d.verdict = Verdict::kWouldLaunch;
  d.command_line = L"C:\\W\\UNWISE.EXE /a C:\\L.TXT";
  return d;
}

trust::TrustCheck ChangeableByEveryone(const std::wstring& object, const std::wstring& path) {
  return {{{object, path, L"Everyone", L"S-1-1-0", L"may write", trust::Role::kFolder, true}}};
}

TEST(DecisionText, EveryVerdictHasItsNameItsExitCodeAndOneSentence) {
  struct Case {
    std::function<void(Decision&)> change;
    Verdict verdict;
    const char* name;
    int exit_code;
    const char* summary;
  };
  const Case cases[] = {
      {[](Decision&) {}, Verdict::kWouldLaunch, "would-launch", 0,
       "Tarnweld.exe would start [C:\\W\\UNWISE.EXE /a C:\\L.TXT]."},
      {[](Decision& d) { d.tail = L" x"; }, Verdict::kNameTooShort, "name-too-short", 10,
       "The entry name [ x] has fewer than 2 characters once spaces are trimmed; nothing is "
       "looked up."},
      {[](Decision& d) {
         d.lookups = {{L"\"OldApp\""}, {L"OldApp"}};
       },
       Verdict::kNoEntry, "no-entry", 11, "No uninstall entry [\"OldApp\"] or [OldApp]."},
      {[](Decision& d) { d.lookups[0].open_status = 5; }, Verdict::kUnreadable, "unreadable", 12,
       "The entry [OldApp] exists, but access is denied (error 5)."},
      {[](Decision& d) { d.lookups[0].open_status = 1234; }, Verdict::kUnreadable, "unreadable", 12,
       "The entry [OldApp] cannot be opened (error 1234)."},
      {[](Decision& d) { d.lookups[0].read_status = platform::kRegFileNotFound; },
       Verdict::kUnreadable, "unreadable", 12,
       "The entry [OldApp] exists, but has no "
       "UninstallString."},
      {[](Decision&) {}, Verdict::kNotWise, "not-wise", 13,
       "The entry's UninstallString runs neither UNWISE.EXE nor UNWISE32.EXE."},
      {[](Decision& d) { d.entry_trust = ChangeableByEveryone(L"entry", EntryKeyPath(L"OldApp")); },
       Verdict::kEntryUntrusted, "entry-untrusted", 18,
       "The entry [HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OldApp] could "
       "have been changed by others than administrators: entry "
       "[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OldApp]: Everyone "
       "(S-1-1-0) may write."},
      {[](Decision& d) { d.uninstaller->status = FileStatus::kDevice; },
       Verdict::kUninstallerMissing, "uninstaller-missing", 14,
       "The uninstaller [C:\\W\\UNWISE.EXE] is a device, not a file."},
      {[](Decision& d) {
         d.uninstaller_trust = ChangeableByEveryone(L"uninstaller folder", L"C:\\W");
       },
       Verdict::kUninstallerUntrusted, "uninstaller-untrusted", 16,
       "The uninstaller [C:\\W\\UNWISE.EXE] could have been changed by others than "
       "administrators: uninstaller folder [C:\\W]: Everyone (S-1-1-0) may write."},
      {[](Decision& d) {
         *d.log = FileCheck{L"C:\\L.TXT", FileStatus::kMissing, 2};
       },
       Verdict::kLogMissing, "log-missing", 15, "The log [C:\\L.TXT] is not found (error 2)."},
      {[](Decision& d) { d.log_trust = ChangeableByEveryone(L"log", L"C:\\L.TXT"); },
       Verdict::kLogUntrusted, "log-untrusted", 17,
       "The log [C:\\L.TXT] could have been changed by others than administrators: log "
       "[C:\\L.TXT]: Everyone (S-1-1-0) may write."},
      {[](Decision& d) {
         d.plan = LogPlan{};
         d.plan->line_end_fault = wise_log::LineEndFault{wise_log::LineEndFault::Kind::kEmpty, 0};
       },
       Verdict::kLogRejected, "log-rejected", 21,
       "The log [C:\\L.TXT] would stop the uninstaller at a message box that waits for its "
       "button, removing nothing: UNWISE.EXE rejects an empty log."},
      {[](Decision& d) {
         d.plan = LogPlan{};
         d.plan->judged = true;
         d.plan->findings.push_back(
             {12, L"run", L"C:\\OPEN\\SETUP.EXE /U",
              ChangeableByEveryone(L"program folder", L"C:\\OPEN").findings[0]});
       },
       Verdict::kLogOrdersUntrusted, "log-orders-untrusted", 20,
       "The log [C:\\L.TXT] orders what others than administrators could change: log line 12, "
       "run [C:\\OPEN\\SETUP.EXE /U]: program folder [C:\\OPEN]: Everyone (S-1-1-0) may write."},
      {[](Decision& d) {
         d.plan = LogPlan{};
         d.plan->bound = LogBound::kFolders;
       },
       Verdict::kLogOrdersUntrusted, "log-orders-untrusted", 20,
       "The log [C:\\L.TXT] was not judged, so nothing is launched: its orders reach more than "
       "20,000 folders, more than are read."},
      {[](Decision& d) {
         d.plan = LogPlan{};
         d.plan->read_error = 32;
       },
       Verdict::kLogOrdersUntrusted, "log-orders-untrusted", 20,
       "The log [C:\\L.TXT] cannot be read (error 32)."},
      {[](Decision& d) {
         d.temp->tried.back().walk.check = ChangeableByEveryone(L"temporary folder", L"C:\\T");
         d.temp->tried.push_back({TempSource::kMadeForTheRun,
                                  L"C:\\WINDOWS\\Temp",
                                  Passed(L"C:\\WINDOWS\\Temp"),
                                  {{}, false, true, 3, {}}});
       },
       Verdict::kTempUntrusted, "temp-untrusted", 19,
       "No temporary folder for the uninstaller can be trusted, nor made: temp "
       "[C:\\WINDOWS\\Temp] (to hold a folder made for the run): not found (error 3)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.summary);
    Decision decision = Launching();
    c.change(decision);
    decision.verdict = c.verdict;
    EXPECT_EQ(Narrow(VerdictName(c.verdict)), c.name);
    EXPECT_EQ(VerdictExitCode(c.verdict), c.exit_code);
    EXPECT_EQ(Narrow(Summary(decision)), c.summary);
    const std::vector<std::wstring> steps = DescribeSteps(decision);
    EXPECT_EQ(Narrow(steps.at(steps.size() - (c.verdict == Verdict::kWouldLaunch ? 2 : 1))),
              std::string("verdict: ") + c.name);
    // What someone else may change is never also said to be the administrators' alone.
    const bool uninstaller_trusted =
        decision.uninstaller_trust->trusted() && decision.uninstaller->found();
    EXPECT_EQ(std::count_if(steps.begin(), steps.end(),
                            [](const std::wstring& step) {
                              return Narrow(step).rfind(
                                         "uninstaller [C:\\W\\UNWISE.EXE]: only administrators",
                                         0) == 0;
                            }),
              uninstaller_trusted ? 1 : 0);
  }
  EXPECT_EQ(Narrow(ExitCodeList()),
            "0 would-launch, 10 name-too-short, 11 no-entry, 12 unreadable, 13 not-wise, "
            "18 entry-untrusted, 14 uninstaller-missing, 16 uninstaller-untrusted, 15 log-missing, "
            "17 log-untrusted, 21 log-rejected, 20 log-orders-untrusted, 19 temp-untrusted");
}

TEST(DecisionText, EachFileStatusInWords) {
  struct Case {
    FileStatus status;
    const char* words;
  };
  const Case cases[] = {
      {FileStatus::kFound, "a normal file"},
      {FileStatus::kEmpty, "an empty path"},
      {FileStatus::kNotFullyQualified,
       "not a fully qualified path (X:\\... or \\\\server\\share\\...)"},
      {FileStatus::kForbiddenCharacter,
       "a path with a wildcard, a stray quotation mark or a character no file name has"},
      {FileStatus::kDevice, "a device, not a file"},
      {FileStatus::kNameEndsInDotOrSpace,
       "a path with a name that ends in a space or a dot, which Windows reads as another path"},
      {FileStatus::kNotInCodePage,
       "a path the system's ANSI code page cannot carry: an ANSI program such as UNWISE.EXE "
       "would read another path"},
      {FileStatus::kNotSearched, "not looked for: something on the way to it is not trusted"},
      {FileStatus::kMissing, "not found (error 3)"},
      {FileStatus::kDirectory, "a folder, not a file"},
      {FileStatus::kHiddenOrSystem, "a hidden or system file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    Decision decision = Launching();
    *decision.log = FileCheck{L"C:\\L.TXT", c.status, 3};
    const auto steps = DescribeSteps(decision);
    const std::string line = std::string("log [C:\\L.TXT]: ") + c.words;
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [&](const std::wstring& step) {
      return Narrow(step) == line;
    })) << line;
  }
}

TEST(DecisionText, TheStepsThatApplyAndNoOthers) {
  struct Case {
    std::function<void(Decision&)> change;
    std::vector<std::string> present, absent;
  };
  const std::string too_short = "name too short: fewer than 2 characters once spaces are trimmed";
  const Case cases[] = {
      {[](Decision&) {},
       {"lookup [OldApp]: found", "UninstallString [C:\\W\\UNWISE.EXE C:\\L.TXT]",
        "command line [C:\\W\\UNWISE.EXE /a C:\\L.TXT]"},
       {too_short}},
      {[](Decision& d) { d.program = L"C:\\W X\\UNWISE.EXE"; },
       {"command line [C:\\W\\UNWISE.EXE /a C:\\L.TXT], program named explicitly [C:\\W "
        "X\\UNWISE.EXE]"},
       {}},
      {[](Decision& d) {
         d.lookups = {{L"OldApp ", platform::kRegFileNotFound, 0}, d.lookups[0]};
       },
       {"lookup [OldApp ]: no such entry",
        "lookup [OldApp] (second lookup: without surrounding spaces and quotation marks): found"},
       {}},
      {[](Decision& d) {
         d.lookups[0].read_status = platform::kRegFileNotFound;
         d.verdict = Verdict::kUnreadable;
       },
       {"lookup [OldApp]: found, but has no UninstallString"},
       {"UninstallString [C:\\W\\UNWISE.EXE C:\\L.TXT]"}},
      {[](Decision& d) {
         d.lookups[0] = {L"OldApp", 5, platform::kRegFileNotFound};
         d.verdict = Verdict::kUnreadable;
       },
       {"lookup [OldApp]: exists, but access is denied (error 5)"},
       {}},
      {[](Decision& d) { d.verdict = Verdict::kNameTooShort; }, {too_short}, {}},
      {[](Decision& d) {
         d.plan = LogPlan{};
         d.plan->line_end_fault = wise_log::LineEndFault{};
       },
       {"log [C:\\L.TXT]: UNWISE.EXE rejects an empty log; not judged"},
       {"log orders: only administrators and the caller can change what they reach"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.present.empty() ? "" : c.present[0]);
    Decision decision = Launching();
    c.change(decision);
    std::vector<std::string> steps;
    for (const std::wstring& step : DescribeSteps(decision)) steps.push_back(Narrow(step));
    for (const std::string& step : c.present) {
      EXPECT_NE(std::find(steps.begin(), steps.end(), step), steps.end()) << step;
    }
    for (const std::string& step : c.absent) {
      EXPECT_EQ(std::find(steps.begin(), steps.end(), step), steps.end()) << step;
    }
  }
}

}  // namespace
}  // namespace tarnweld
