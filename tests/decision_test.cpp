#include "decide/decision.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/wise.h"
#include "removal/run_removal.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using ::testing::Contains;
using ::testing::HasSubstr;

// A machine with the entry "OldApp" running a Wise uninstaller whose files
// both exist, changed by each case.
struct Machine {
  Machine() {
    os.AddUninstallValue(L"OldApp", "C:\\W\\UNWISE.EXE C:\\L.TXT");
    os.normal_files = {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"};
    os.folders.insert(L"C:\\W");
  }
  Decision Decide(const std::wstring& tail) { return tarnweld::Decide(run, tail); }
  FakePlatform os;
  Deciding run{os.sources(), trust::Judging::kEveryFinding};
};

TEST(Decision, RecordsTheVerdictAndWhatLedToIt) {
  struct Case {
    const char* what;
    fake::Change change;
    Verdict verdict;
    std::uint32_t error = 0;
    std::wstring tail = L"OldApp";
    std::size_t lookups = 1;
  };
  const auto nothing = [](FakePlatform&) {};
  const auto command = [](const char* text) {
    return [=](FakePlatform& os) { os.AddUninstallValue(L"OldApp", text); };
  };
  const auto gone = [](const wchar_t* path) {
    return [=](FakePlatform& os) { os.normal_files.erase(path); };
  };
  const auto owned = [](const wchar_t* path, const wchar_t* sid) {
    return [=](FakePlatform& os) { os.security[path] = fake::Owned(sid, {}); };
  };
  const auto entry_owned = [](const std::wstring& key, const wchar_t* sid) {
    return [=](FakePlatform& os) { os.key_security[key] = fake::Owned(sid, {}); };
  };
  const std::wstring entry = fake::UninstallKey(L"OldApp");
  const auto denied = [](FakePlatform& os) { os.open_status_for_existing_key = 5; };
  const Case cases[] = {
      {"would launch", nothing, Verdict::kWouldLaunch},
      {"too short", nothing, Verdict::kNameTooShort, 0, L" x ", 0},
      {"no entry, looked up twice", nothing, Verdict::kNoEntry, 2, L"NewApp ", 2},
      {"denied", denied, Verdict::kUnreadable, 5},
      // The second lookup's status is the one that counts.
      {"denied on the second lookup", denied, Verdict::kUnreadable, 5, L"OldApp ", 2},
      {"no UninstallString",
       [](FakePlatform& os) { os.keys.begin()->second[L"UninstallString"].forced_status = 2; },
       Verdict::kUnreadable, 2},
      {"not Wise", command("MsiExec.exe /X{1}"), Verdict::kNotWise},
      // The entry is judged once it is known to run Wise's uninstaller.
      {"not Wise, in an entry anyone may change",
       fake::All({command("MsiExec.exe /X{1}"), entry_owned(entry, L"S-1-1-0")}),
       Verdict::kNotWise},
      {"an entry a user owns", entry_owned(entry, L"S-1-5-21-9-9-9-1200"),
       Verdict::kEntryUntrusted},
      {"an uninstall key anyone owns, nothing found",
       fake::All({entry_owned(wise::kUninstallKey, L"S-1-1-0"),
                  [](FakePlatform& os) { os.normal_files.clear(); }}),
       Verdict::kEntryUntrusted},
      {"no uninstaller", gone(L"C:\\W\\UNWISE.EXE"), Verdict::kUninstallerMissing, 2},
      {"a relative uninstaller", command("UNWISE.EXE C:\\L.TXT"), Verdict::kUninstallerMissing},
      // The name is cut one character after UNWISE.EXE: here a backslash.
      {"an uninstaller named as a folder", command("C:\\W\\UNWISE.EXE\\C:\\L.TXT"),
       Verdict::kUninstallerMissing, 2},
      // Windows reads a doubled backslash as one, and so finds the log.
      {"a log named with a doubled backslash", command("C:\\W\\UNWISE.EXE C:\\\\L.TXT"),
       Verdict::kWouldLaunch},
      {"no log", gone(L"C:\\L.TXT"), Verdict::kLogMissing, 2},
      // Found, then trusted, for the uninstaller and then for the log; its
      // folder is judged before the file is looked for.
      {"an open uninstaller folder", owned(L"C:\\W", L"S-1-1-0"), Verdict::kUninstallerUntrusted},
      {"an open uninstaller folder, no log",
       fake::All({owned(L"C:\\W", L"S-1-1-0"), gone(L"C:\\L.TXT")}),
       Verdict::kUninstallerUntrusted},
      {"an open uninstaller folder, no uninstaller",
       fake::All({owned(L"C:\\W", L"S-1-1-0"), gone(L"C:\\W\\UNWISE.EXE")}),
       Verdict::kUninstallerUntrusted},
      // A network path: whoever answers for the server's name would choose
      // both the files and their permissions.
      {"a network uninstaller",
       fake::All(
           {command("\\\\server\\share\\W\\UNWISE.EXE \\\\server\\share\\L.TXT"),
            [](FakePlatform& os) {
              os.normal_files = {L"\\\\server\\share\\W\\UNWISE.EXE", L"\\\\server\\share\\L.TXT"};
            }}),
       Verdict::kUninstallerUntrusted},
      {"a network log",
       fake::All({command("C:\\W\\UNWISE.EXE \\\\server\\share\\L.TXT"),
                  [](FakePlatform& os) { os.normal_files.insert(L"\\\\server\\share\\L.TXT"); }}),
       Verdict::kLogUntrusted},
      {"a log a user owns", owned(L"C:\\L.TXT", L"S-1-5-11"), Verdict::kLogUntrusted},
      {"a log the uninstaller rejects",
       [](FakePlatform& os) { os.contents[L"C:\\L.TXT"] = "Title: A\n"; }, Verdict::kLogRejected},
      {"a log a user would own, missing",
       fake::All({owned(L"C:\\L.TXT", L"S-1-5-11"), gone(L"C:\\L.TXT")}), Verdict::kLogMissing, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine machine;
    c.change(machine.os);
    const Decision decision = machine.Decide(c.tail);
    EXPECT_EQ(decision.verdict, c.verdict);
    EXPECT_EQ(decision.system_error, c.error);
    EXPECT_EQ(decision.lookups.size(), c.lookups);
    EXPECT_EQ(decision.matched_second_name(), false);
    EXPECT_EQ(decision.command_line.empty(), c.verdict != Verdict::kWouldLaunch);
    EXPECT_TRUE(machine.os.launches.empty()) << "deciding starts nothing";
    if (c.verdict == Verdict::kEntryUntrusted) {
      EXPECT_TRUE(machine.os.security_reads.empty()) << "no file is touched for an untrusted entry";
    }
    EXPECT_EQ(machine.os.open_handles, 0);
  }
}

TEST(Decision, TheCheckListsWhatIsWrongWithBothKeysTarnweldTheFirst) {
  struct Case {
    trust::Judging judging;
    std::vector<const char*> findings;
  };
  const Case cases[] = {
      {trust::Judging::kEveryFinding,
       {"uninstall key [HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall]: its "
        "security cannot be read (error 5)",
        "entry [HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OldApp]: "
        "S-1-5-21-9-9-9-1200 owns it"}},
      {trust::Judging::kUntilFirstFinding,
       {"uninstall key [HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall]: its "
        "security cannot be read (error 5)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.findings.size());
    Machine machine;
    machine.os.uninstall_key_status = platform::kRegAccessDenied;
    machine.os.key_security[fake::UninstallKey(L"OldApp")] =
        fake::Owned(L"S-1-5-21-9-9-9-1200", {});
    Deciding run(machine.os.sources(), c.judging);
    const Decision decision = tarnweld::Decide(run, L"OldApp");
    EXPECT_EQ(decision.verdict, Verdict::kEntryUntrusted);
    ASSERT_EQ(decision.entry_trust->findings.size(), c.findings.size());
    for (std::size_t i = 0; i < c.findings.size(); ++i) {
      EXPECT_THAT(fake::Narrow(trust::Describe(decision.entry_trust->findings[i])),
                  HasSubstr(c.findings[i]));
    }
    EXPECT_EQ(machine.os.open_handles, 0);
  }
}

TEST(Decision, NamesTheEntryThatMatchedAndWhatWouldStart) {
  Machine machine;
  machine.os.AddUninstallValue(L"OldApp", "\"C:\\P F\\UNWISE.EXE\" C:\\L.TXT");
  machine.os.normal_files.insert(L"C:\\P F\\UNWISE.EXE");
  const Decision decision = machine.Decide(L"\"OldApp\"");
  EXPECT_TRUE(decision.matched_second_name());
  EXPECT_EQ(decision.entry, L"OldApp");
  EXPECT_EQ(decision.program, L"C:\\P F\\UNWISE.EXE");
  EXPECT_EQ(decision.command_line, L"\"C:\\P F\\UNWISE.EXE\" /a C:\\L.TXT");
  EXPECT_EQ(decision.uninstaller->searched, L"C:\\P F\\UNWISE.EXE");
}

TEST(Decision, TarnweldTellsADebuggerWhatItDecidedAndDid) {
  Machine machine;
  machine.os.command_tail = L"OldApp ";
  RunRemoval(machine.os.os());
  const auto& lines = machine.os.debugger.writes;
  for (const auto& line : lines) EXPECT_EQ(line.rfind(L"Tarnweld: ", 0), 0u);
  const std::wstring& all = machine.os.debugger.text;
  EXPECT_THAT(fake::Narrow(all), HasSubstr("tail [OldApp ] (7 characters)"));
  EXPECT_THAT(fake::Narrow(all), HasSubstr("lookup [OldApp ]: no such entry"));
  EXPECT_THAT(fake::Narrow(all), HasSubstr("uninstaller [C:\\W\\UNWISE.EXE]: a normal file"));
  EXPECT_THAT(fake::Narrow(all), HasSubstr("verdict: would-launch"));
  EXPECT_THAT(fake::Narrow(all), HasSubstr("started process 4242, followed with everything"));
  EXPECT_THAT(fake::Narrow(all), HasSubstr("wait ended: the uninstaller has gone"));
  EXPECT_THAT(fake::Narrow(lines.back()), HasSubstr("done after 0.1 s"));

  Machine missing;
  missing.os.command_tail = L"OldApp";
  missing.os.normal_files.erase(L"C:\\L.TXT");
  RunRemoval(missing.os.os());
  EXPECT_THAT(fake::Narrow(missing.os.debugger.text),
              HasSubstr("log [C:\\L.TXT]: not found (error 2)"));
  EXPECT_THAT(fake::Narrow(missing.os.debugger.text), HasSubstr("verdict: log-missing"));

  Machine stuck;
  stuck.os.command_tail = L"OldApp";
  stuck.os.group_active = [](std::uint32_t) { return 1u; };
  stuck.os.windows_shown = [](std::uint32_t) {
    return std::vector<platform::ShownWindow>{{7, 4242, L"Wise Uninstall", L"Invalid.", true}};
  };
  RunRemoval(stuck.os.os());
  EXPECT_THAT(fake::Narrow(stuck.os.debugger.text),
              HasSubstr("wait ended at the 600 s limit, after 600.0 s, the uninstaller still "
                        "showing a message [Wise Uninstall]: [Invalid.]"));
}

}  // namespace
}  // namespace tarnweld
