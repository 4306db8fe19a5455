#include "removal/run_removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "decide/uninstall_command.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::Narrow;
using ::testing::Contains;
using ::testing::ElementsAre;

// Runs the removal and checks what must hold on every path: the process is
// ended exactly once, last, and every key and snapshot opened was closed.
void RunChecked(FakePlatform& os) {
  RunRemoval(os.os());
  EXPECT_EQ(os.ended, 1);
  EXPECT_EQ(os.events.back(), "end");
  EXPECT_EQ(os.open_handles, 0);
  EXPECT_EQ(os.debugger.finished, 1) << "the trace gets its moment before the end";
}

class RunRemovalTest : public ::testing::Test {
 protected:
  // An entry whose uninstall command is `command`, with both files present.
  void Entry(const std::string& command, const std::vector<std::wstring>& files = {}) {
    os_.StartOnEntry(command + std::string(1, '\0'), files);
  }

  std::vector<std::wstring> LaunchedLines() const {
    std::vector<std::wstring> lines;
    for (const auto& launch : os_.launches) lines.push_back(launch.command_line);
    return lines;
  }

  void Run() { RunChecked(os_); }

  FakePlatform os_;
};

TEST_F(RunRemovalTest, ShortNamesEndAfterThePauseWithoutTouchingTheRegistry) {
  for (const wchar_t* tail : {L"", L" ", L"x", L"   x   "}) {
    FakePlatform os;
    os.command_tail = tail;
    RunChecked(os);
    EXPECT_THAT(os.events, Contains("sleep 100")) << Narrow(tail);
    EXPECT_TRUE(os.opened_paths.empty()) << Narrow(tail);
    EXPECT_TRUE(os.launches.empty()) << Narrow(tail);
  }
}

TEST_F(RunRemovalTest, WorkedExampleLaunchesAfterPauseLookupAndBothSearches) {
  Entry("C:\\WINDOWS\\UNWISE.EXE C:\\APP\\LIST.TXT",
        {L"C:\\WINDOWS\\UNWISE.EXE", L"C:\\APP\\LIST.TXT"});
  Run();
  // The one ordering test of the removal: the entry and the key that holds
  // it, then each file's folders from the drive down (each read once), the
  // file found, the file judged; the log read whole; then the temporary
  // folder and the folders of PATH; the machine's
  // removal lock, and a look for removals already running; only then the
  // launch, and the lock let go once the wait is over.
  EXPECT_THAT(
      os_.events,
      ElementsAre("current directory C:\\WINDOWS\\system32", "tail", "sleep 100", "open",
                  "query UninstallString",
                  "key security Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OldApp",
                  "open", "key security Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                  "security C:\\", "security C:\\WINDOWS", "find C:\\WINDOWS\\UNWISE.EXE",
                  "security C:\\WINDOWS\\UNWISE.EXE", "security C:\\APP", "find C:\\APP\\LIST.TXT",
                  "security C:\\APP\\LIST.TXT", "read C:\\APP\\LIST.TXT", "security C:\\Users",
                  "security C:\\Users\\Admin", "security C:\\Users\\Admin\\AppData",
                  "security C:\\Users\\Admin\\AppData\\Local",
                  "security C:\\Users\\Admin\\AppData\\Local\\Temp",
                  "security C:\\WINDOWS\\system32", "lock open", "lock wait", "snapshot",
                  "error mode 32768", "launch", "error mode 32771", "group", "join", "resume",
                  "active", "snapshot", "lock let go", "end"));
  ASSERT_EQ(os_.launches.size(), 1u);
  EXPECT_EQ(os_.launches[0].command_line, L"C:\\WINDOWS\\UNWISE.EXE /a C:\\APP\\LIST.TXT");
  EXPECT_EQ(os_.launches[0].program, L"") << "no space: the command line names it";
}

TEST_F(RunRemovalTest, EntryNameIsLookedUpFirstExactlyAsGiven) {
  for (const std::wstring tail :
       {L"OldApp  ", L"\"OldApp\"", L"Vendor\\OldApp", L" ab", L"Old\x2033App\x0100"}) {
    FakePlatform os;
    os.command_tail = tail;
    RunChecked(os);
    ASSERT_FALSE(os.opened_paths.empty());
    EXPECT_EQ(os.opened_paths[0], fake::UninstallKey(tail)) << Narrow(tail);
  }
}

TEST_F(RunRemovalTest, NothingLaunchedWithoutUninstallerOrItsFiles) {
  struct Case {
    std::string command;
    std::vector<std::wstring> files;
  };
  const Case cases[] = {
      {"", {}},
      {"C:\\W\\UNINST.EXE C:\\L.TXT", {L"C:\\W\\UNINST.EXE", L"C:\\L.TXT"}},
      {"C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE"}},  // log missing
      {"C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\L.TXT"}},          // uninstaller missing
      {"C:\\W\\UNWISE.EXE", {L"C:\\W\\UNWISE.EXE", L""}},       // nothing to hand it
      {"C:\\W\\UNWISE.EXE  ", {L"C:\\W\\UNWISE.EXE", L""}},
      // Wildcards, stray quotation marks and empty quotes find nothing.
      {"C:\\W\\UNWISE.EXE C:\\*.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\*.TXT"}},
      {"C:\\W\\UNWISE.EXE C:\\L?.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L?.TXT"}},
      {"C:\\W\\UNWISE.EXE C:\\L.TXT\" /x", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT\" /x"}},
      {"C:\\W\\UNWISE.EXE \"\"", {L"C:\\W\\UNWISE.EXE", L""}},
      {"C:\\W\\UNWISE.EXE \"", {L"C:\\W\\UNWISE.EXE", L"\"", L""}},
  };
  for (const Case& c : cases) {
    FakePlatform os;
    os.StartOnEntry(c.command, c.files);
    RunChecked(os);
    EXPECT_TRUE(os.launches.empty()) << c.command;
  }
}

TEST_F(RunRemovalTest, QuotedPathsAreSearchedUnquotedAndLaunchedAsStored) {
  Entry("\"C:\\Program Files\\W\\UNWISE.EXE\" \"C:\\Program Files\\A\\INSTALL.LOG\"",
        {L"C:\\Program Files\\W\\UNWISE.EXE", L"C:\\Program Files\\A\\INSTALL.LOG"});
  Run();
  ASSERT_EQ(os_.launches.size(), 1u);
  EXPECT_EQ(os_.launches[0].command_line,
            L"\"C:\\Program Files\\W\\UNWISE.EXE\" /a \"C:\\Program Files\\A\\INSTALL.LOG\"");
  EXPECT_EQ(os_.launches[0].program, L"C:\\Program Files\\W\\UNWISE.EXE");
}

TEST_F(RunRemovalTest, UnquotedPathWithBlanksNamesTheProgramExplicitly) {
  Entry("C:\\Program Files\\W\\UNWISE.EXE C:\\A\\INSTALL.LOG",
        {L"C:\\Program Files\\W\\UNWISE.EXE", L"C:\\A\\INSTALL.LOG"});
  Run();
  ASSERT_EQ(os_.launches.size(), 1u);
  EXPECT_EQ(os_.launches[0].program, L"C:\\Program Files\\W\\UNWISE.EXE");
  EXPECT_EQ(os_.launches[0].command_line,
            L"C:\\Program Files\\W\\UNWISE.EXE /a C:\\A\\INSTALL.LOG");

  // A tab splits an unnamed program just as a space does.
  FakePlatform tabbed;
  tabbed.StartOnEntry("C:\\Old\tApp\\UNWISE.EXE C:\\L.TXT",
                      {L"C:\\Old\tApp\\UNWISE.EXE", L"C:\\L.TXT"});
  RunChecked(tabbed);
  ASSERT_EQ(tabbed.launches.size(), 1u);
  EXPECT_EQ(tabbed.launches[0].program, L"C:\\Old\tApp\\UNWISE.EXE");
}

TEST_F(RunRemovalTest, RegistryFaultsEndQuietly) {
  // No such entry.
  os_.command_tail = L"Missing";
  Run();
  EXPECT_TRUE(os_.launches.empty());

  // Access denied.
  FakePlatform denied;
  denied.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  denied.open_status_for_existing_key = 5;
  RunChecked(denied);
  EXPECT_TRUE(denied.launches.empty());
}

TEST_F(RunRemovalTest, WhatTheSystemReportsAsNoNormalFileIsNotLaunched) {
  for (const auto kind : {platform::FileKind::kDevice, platform::FileKind::kDirectory,
                          platform::FileKind::kHiddenOrSystem, platform::FileKind::kMissing}) {
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE"});
    os.other_files[L"C:\\L.TXT"] = kind;
    RunChecked(os);
    EXPECT_TRUE(os.launches.empty());
  }
}

TEST_F(RunRemovalTest, UninstallerStartsInTheLaunchersErrorModeAndTheQuietOneReturns) {
  Entry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  os_.launcher_error_mode = 0x8001;
  os_.error_mode = 0x8003;
  Run();
  EXPECT_THAT(os_.events, ::testing::IsSupersetOf({"error mode 32769", "launch"}));
  const auto at = std::find(os_.events.begin(), os_.events.end(), "launch");
  ASSERT_NE(at, os_.events.end());
  EXPECT_EQ(*(at - 1), "error mode 32769");
  EXPECT_EQ(*(at + 1), "error mode 32771");
  EXPECT_EQ(os_.error_mode, 0x8003u);
}

TEST_F(RunRemovalTest, NamesAsAdministratorsTypeThemFindTheEntryOnSecondLookup) {
  struct Case {
    std::wstring tail;
    std::vector<std::wstring> entries;  // that exist, each with a Wise command
    std::vector<std::wstring> opened;
    bool launched;
  };
  const Case cases[] = {
      {L"OldApp ", {L"OldApp"}, {L"OldApp ", L"OldApp"}, true},
      {L"\"Old App\"", {L"Old App"}, {L"\"Old App\"", L"Old App"}, true},
      {L"  \"OldApp \" ", {L"OldApp "}, {L"  \"OldApp \" ", L"OldApp "}, true},
      // The exact name wins whenever its entry exists.
      {L"\"OldApp\"", {L"\"OldApp\"", L"OldApp"}, {L"\"OldApp\""}, true},
      // Only one pair of quotation marks, and only enclosing ones, go.
      {L"\"\"OldApp\"\"", {L"OldApp"}, {L"\"\"OldApp\"\"", L"\"OldApp\""}, false},
      {L"Old\"App\"", {L"OldApp"}, {L"Old\"App\""}, false},
      // The second name must pass the length test too, and differ.
      {L"\" a\"", {L" a", L"a"}, {L"\" a\""}, false},
      {L"Missing", {}, {L"Missing"}, false},
  };
  for (const Case& c : cases) {
    FakePlatform os;
    os.command_tail = c.tail;
    for (const auto& entry : c.entries) os.AddUninstallValue(entry, "C:\\W\\UNWISE.EXE C:\\L.TXT");
    os.normal_files = {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"};
    RunChecked(os);
    std::vector<std::wstring> expected;
    for (const auto& name : c.opened) expected.push_back(fake::UninstallKey(name));
    EXPECT_EQ(os.opened_paths, expected) << Narrow(c.tail);
    EXPECT_EQ(os.launches.size(), c.launched ? 1u : 0u) << Narrow(c.tail);
  }
}

TEST_F(RunRemovalTest, AnExactEntryThatCannotBeReadGetsNoSecondLookup) {
  // Access denied on the key.
  os_.command_tail = L"OldApp ";
  os_.AddUninstallValue(L"OldApp ", "x");
  os_.AddUninstallValue(L"OldApp", "C:\\W\\UNWISE.EXE C:\\L.TXT");
  os_.normal_files = {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"};
  os_.open_status_for_existing_key = 5;
  Run();
  EXPECT_EQ(os_.opened_paths.size(), 1u);

  // No UninstallString in it.
  FakePlatform no_value;
  no_value.command_tail = L"OldApp ";
  no_value.keys[fake::UninstallKey(L"OldApp ")] = {};
  no_value.AddUninstallValue(L"OldApp", "C:\\W\\UNWISE.EXE C:\\L.TXT");
  no_value.normal_files = os_.normal_files;
  RunChecked(no_value);
  EXPECT_EQ(no_value.opened_paths.size(), 1u);
  EXPECT_TRUE(no_value.launches.empty());
}

TEST_F(RunRemovalTest, UninstallerJoinsItsGroupBeforeItRunsOrRunsWithoutOne) {
  struct Case {
    bool group_fails, join_fails, resume_fails;
    std::vector<std::string> after_launch;
    const char* trace;
    std::uint32_t waited;  // for what the uninstaller started, which runs 1,700 ms
  };
  const Case cases[] = {
      {false,
       false,
       false,
       {"group", "join", "resume", "active", "snapshot", "lock let go", "end"},
       "started process 4242, followed with everything it starts",
       0},
      // No group, or no joining it: resumed all the same, what it starts
      // followed by parent, and waited for.
      {true,
       false,
       false,
       {"group", "resume", "snapshot", "lock let go", "end"},
       "started process 4242, followed by parent and by name (it could not join a job)",
       2000},
      {false,
       true,
       false,
       {"group", "join", "resume", "snapshot", "lock let go", "end"},
       "started process 4242, followed by parent and by name (it could not join a job)",
       2000},
      // A process that cannot be let run is not waited for.
      {false,
       false,
       true,
       {"group", "join", "resume", "lock let go", "end"},
       "the uninstaller was created but could not be let run",
       0},
  };
  for (const Case& c : cases) {
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.group_fails = c.group_fails;
    os.join_fails = c.join_fails;
    os.resume_fails = c.resume_fails;
    os.uninstaller = {5000, os.now};  // it ends at once, leaving a setup it started
    const platform::ProcessEntry setup{FakePlatform::Image(L"SETUP.EXE"), 7, 4242};
    os.family = [&](std::uint32_t) { return std::vector<platform::ProcessEntry>{setup}; };
    os.openable = {{7, {6000, os.now + 1700}}};
    const std::uint32_t start = os.now;
    RunChecked(os);
    const auto launch = std::find(os.events.begin(), os.events.end(), "launch");
    ASSERT_NE(launch, os.events.end());
    std::vector<std::string> after(launch + 2, os.events.end());
    after.erase(std::remove_if(after.begin(), after.end(),
                               [](const std::string& e) {
                                 // The wait's own steps: the order test is elsewhere.
                                 return e.rfind("open ", 0) == 0 || e == "dispatch" ||
                                        e.rfind("wait ", 0) == 0;
                               }),
                after.end());
    after.erase(std::unique(after.begin(), after.end()), after.end());
    EXPECT_EQ(after, c.after_launch) << c.trace;
    EXPECT_THAT(Narrow(os.debugger.text), ::testing::HasSubstr(c.trace));
    EXPECT_GE(os.now - start, c.waited) << c.trace;
    EXPECT_LT(os.now - start, c.waited + 1000) << c.trace;
  }
}

TEST_F(RunRemovalTest, UninstallerBreaksAwayFromTheCallersJobOnlyWhereThatIsAllowed) {
  struct Case {
    bool may_break_away, break_away_fails;
    std::vector<bool> launches;  // whether each start asked to break away
    const char* trace;
  };
  const Case cases[] = {
      {false, false, {false}, "started process 4242, followed with"},
      {true, false, {true}, "started process 4242 outside the caller's job, followed with"},
      // The caller's job refused: started as before, inside it.
      {true, true, {true, false}, "started process 4242, followed with"},
  };
  for (const Case& c : cases) {
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.may_break_away = c.may_break_away;
    os.break_away_fails = c.break_away_fails;
    RunChecked(os);
    std::vector<bool> launches;
    for (const auto& launch : os.launches) {
      launches.push_back(launch.break_away);
      EXPECT_EQ(launch.current_directory, L"C:\\WINDOWS\\system32");
    }
    EXPECT_EQ(launches, c.launches);
    EXPECT_NE(Narrow(os.debugger.text).find(c.trace), std::string::npos)
        << Narrow(os.debugger.text);
  }
}

TEST_F(RunRemovalTest, FailedLaunchEndsWithoutWaiting) {
  Entry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  os_.launch_result = 0;
  Run();
  EXPECT_EQ(os_.launches.size(), 1u);
  EXPECT_EQ(os_.snapshots_taken, 1) << "the look for other removals, before the launch only";
}

TEST_F(RunRemovalTest, AnEscapingErrorStillEndsTheProcessOnce) {
  Entry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  os_.launch_throws = true;
  Run();
  EXPECT_EQ(os_.launches.size(), 1u);
}

}  // namespace
}  // namespace tarnweld
