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

// Runs the removal and checks what must hold on every path: the trace is
// complete and handed over before the process ends, which happens exactly
// once, last; every key and snapshot opened was closed.
void RunChecked(FakePlatform& os) {
  RunRemoval(os.os());
  EXPECT_EQ(os.ended, 1);
  ASSERT_GE(os.events.size(), 2u);
  EXPECT_EQ(os.events.end()[-2], "trace finished");
  EXPECT_EQ(os.events.back(), "end");
  EXPECT_EQ(os.open_handles, 0);
  if (!os.launch_throws) {
    EXPECT_EQ(os.debugger.writes.back().rfind(L"Tarnweld: done after ", 0), 0u)
        << Narrow(os.debugger.writes.back());
  }
}

class RunRemovalTest : public ::testing::Test {
 protected:
  // An entry whose uninstall command is `command`, with both files present.
  void Entry(const std::string& command, const std::vector<std::wstring>& files = {}) {
    os_.StartOnEntry(command + std::string(1, '\0'), files);
  }

  void Run() { RunChecked(os_); }

  FakePlatform os_;
};

TEST_F(RunRemovalTest, WorkedExampleLaunchesAfterPauseLookupAndBothSearches) {
  Entry("C:\\WINDOWS\\UNWISE.EXE C:\\APP\\LIST.TXT",
        {L"C:\\WINDOWS\\UNWISE.EXE", L"C:\\APP\\LIST.TXT"});
  os_.launcher_error_mode = 0x8001;
  Run();
  // The one ordering test of the removal: the entry and the key that holds
  // it, then each file's folders from the drive down (each read once), the
  // file found, the file judged; the log read whole; then the temporary
  // folder and the folders of PATH; the machine's removal lock, and a look
  // for removals already running; only then the launch, in the error mode
  // the launcher chose, the quiet one back after it; the lock let go once
  // the wait is over.
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
                  "error mode 32769", "launch", "error mode 32771", "group", "join", "resume",
                  "active", "snapshot", "lock let go", "trace finished", "end"));
  ASSERT_EQ(os_.launches.size(), 1u);
  EXPECT_EQ(os_.launches[0].command_line, L"C:\\WINDOWS\\UNWISE.EXE /a C:\\APP\\LIST.TXT");
  EXPECT_EQ(os_.launches[0].program, L"") << "no space: the command line names it";
}

TEST_F(RunRemovalTest, UninstallerJoinsItsGroupBeforeItRunsOrRunsWithoutOne) {
  struct Case {
    std::string fails;  // "group", "join", "resume" or nothing
    std::string after_launch;
    const char* trace;
    std::uint32_t waited;  // for what the uninstaller started, which runs 1,700 ms
  };
  const Case cases[] = {
      {"", "group join resume active snapshot", "followed with everything it starts", 0},
      // No group, or no joining it: resumed all the same, what it starts
      // followed by parent, and waited for.
      {"group", "group resume snapshot", "followed by parent and by name (it could not join a job)",
       2000},
      {"join", "group join resume snapshot", "followed by parent and by name", 2000},
      // A process that cannot be let run is not waited for.
      {"resume", "group join resume", "the uninstaller was created but could not be let run", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fails);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.group_fails = c.fails == "group";
    os.join_fails = c.fails == "join";
    os.resume_fails = c.fails == "resume";
    os.uninstaller = {5000, os.now};  // it ends at once, leaving a setup it started
    const platform::ProcessEntry setup{FakePlatform::Image(L"SETUP.EXE"), 7, 4242};
    os.family = [&](std::uint32_t) { return std::vector<platform::ProcessEntry>{setup}; };
    os.openable = {{7, {6000, os.now + 1700}}};
    const std::uint32_t start = os.now;
    RunChecked(os);
    // What follows the launch, less the wait's own steps (whose order is
    // tested with the wait) and the end.
    std::string after;
    for (auto at = std::find(os.events.begin(), os.events.end(), "launch") + 2;
         at < os.events.end() - 3; ++at) {
      if (at->rfind("open ", 0) == 0 || *at == "dispatch" || at->rfind("wait ", 0) == 0) continue;
      if (after.empty() || after.substr(after.rfind(' ') + 1) != *at) after += " " + *at;
    }
    EXPECT_EQ(after.substr(1), c.after_launch);
    EXPECT_THAT(Narrow(os.debugger.text), ::testing::HasSubstr(c.trace));
    EXPECT_GE(os.now - start, c.waited);
    EXPECT_LT(os.now - start, c.waited + 1000);
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

// What the decision refuses starts nothing: one row for each way a refusal
// reaches the launch, the decision's own tables saying which refuse what.
TEST(RunRemoval, StartsTheUninstallerAsStoredOrNothingAtAll) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> change;  // of OldApp, running C:\W\UNWISE.EXE on C:\L.TXT
    std::wstring launched = {};                 // the command line started, if any
    std::wstring program = {};                  // named apart from it
    bool waited = false;                        // for what was started
  };
  // The entry runs `command`, with `files` the normal files that exist.
  const auto entry = [](std::string command, std::vector<std::wstring> files) {
    return [=](FakePlatform& os) {
      os.AddUninstallValue(L"OldApp", command);
      os.normal_files = {files.begin(), files.end()};
    };
  };
  const auto nothing = [](FakePlatform&) {};
  const wchar_t kLine[] = L"C:\\W\\UNWISE.EXE /a C:\\L.TXT";
  const wchar_t kSpaced[] = L"C:\\P F\\UNWISE.EXE";
  const Case cases[] = {
      {"as stored", nothing, kLine, L"", true},
      {"quoted", entry("\"C:\\P F\\UNWISE.EXE\" \"C:\\P F\\L.TXT\"", {kSpaced, L"C:\\P F\\L.TXT"}),
       L"\"C:\\P F\\UNWISE.EXE\" /a \"C:\\P F\\L.TXT\"", kSpaced, true},
      {"unquoted with a blank", entry("C:\\P F\\UNWISE.EXE C:\\L.TXT", {kSpaced, L"C:\\L.TXT"}),
       L"C:\\P F\\UNWISE.EXE /a C:\\L.TXT", kSpaced, true},
      // A tab splits an unnamed program just as a space does.
      {"unquoted with a tab",
       entry("C:\\A\tB\\UNWISE.EXE C:\\L.TXT", {L"C:\\A\tB\\UNWISE.EXE", L"C:\\L.TXT"}),
       L"C:\\A\tB\\UNWISE.EXE /a C:\\L.TXT", L"C:\\A\tB\\UNWISE.EXE", true},
      {"no such entry", [](FakePlatform& os) { os.command_tail = L"Missing"; }},
      {"access denied", [](FakePlatform& os) { os.open_status_for_existing_key = 5; }},
      {"not Wise", entry("C:\\W\\UNINST.EXE C:\\L.TXT", {L"C:\\W\\UNINST.EXE", L"C:\\L.TXT"})},
      {"no log named", entry("C:\\W\\UNWISE.EXE  ", {L"C:\\W\\UNWISE.EXE"})},
      {"a wildcard", entry("C:\\W\\UNWISE.EXE C:\\*.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\*.TXT"})},
      {"a folder for a log",
       [](FakePlatform& os) {
         os.normal_files.erase(L"C:\\L.TXT");
         os.other_files[L"C:\\L.TXT"] = platform::FileKind::kDirectory;
       }},
      // A start that fails is not waited for; an error escaping it still
      // ends the process, once.
      {"cannot start", [](FakePlatform& os) { os.launch_result = 0; }, kLine},
      {"throws", [](FakePlatform& os) { os.launch_throws = true; }, kLine},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    c.change(os);
    RunChecked(os);
    ASSERT_EQ(os.launches.size(), c.launched.empty() ? 0u : 1u);
    if (!c.launched.empty()) {
      EXPECT_EQ(os.launches[0].command_line, c.launched);
      EXPECT_EQ(os.launches[0].program, c.program);
    }
    const auto start = std::find(os.events.begin(), os.events.end(), "launch");
    EXPECT_EQ(std::find(start, os.events.end(), "snapshot") != os.events.end(), c.waited);
  }
}

// The name exactly as given first; where no entry has it, once more as an
// administrator most likely meant it.
TEST(RunRemoval, LooksUpTheNameAsGivenThenAsAdministratorsTypeIt) {
  struct Case {
    std::wstring tail;
    std::vector<std::wstring> entries;  // that exist, each with a Wise command
    std::vector<std::wstring> opened;
    bool launched;
    long open_status = platform::kRegSuccess;  // of each entry that exists
  };
  const Case cases[] = {
      {L"OldApp", {L"OldApp"}, {L"OldApp"}, true},
      {L"", {}, {}, false},
      {L"   x   ", {L"x"}, {}, false},
      {L"Vendor\\OldApp", {L"OldApp"}, {L"Vendor\\OldApp"}, false},
      {L"Old\x2033"
       L"App\x0100",
       {L"Old\x2033"
        L"App\x0100"},
       {L"Old\x2033"
        L"App\x0100"},
       true},
      {L"OldApp  ", {L"OldApp"}, {L"OldApp  ", L"OldApp"}, true},
      {L"\"Old App\"", {L"Old App"}, {L"\"Old App\"", L"Old App"}, true},
      {L"  \"OldApp \" ", {L"OldApp "}, {L"  \"OldApp \" ", L"OldApp "}, true},
      // The exact name wins whenever its entry exists, even one that cannot be read.
      {L"\"OldApp\"", {L"\"OldApp\"", L"OldApp"}, {L"\"OldApp\""}, true},
      {L"OldApp ", {L"OldApp ", L"OldApp"}, {L"OldApp "}, false, platform::kRegAccessDenied},
      // Only one pair of quotation marks, and only enclosing ones, go.
      {L"\"\"OldApp\"\"", {L"OldApp"}, {L"\"\"OldApp\"\"", L"\"OldApp\""}, false},
      {L"Old\"App\"", {L"OldApp"}, {L"Old\"App\""}, false},
      // The second name must pass the length test too, and differ.
      {L"\" a\"", {L" a", L"a"}, {L"\" a\""}, false},
      {L"Missing", {}, {L"Missing"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.tail));
    FakePlatform os;
    os.command_tail = c.tail;
    for (const auto& entry : c.entries) os.AddUninstallValue(entry, "C:\\W\\UNWISE.EXE C:\\L.TXT");
    os.normal_files = {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"};
    os.open_status_for_existing_key = c.open_status;
    RunChecked(os);
    std::vector<std::wstring> expected;
    for (const auto& name : c.opened) expected.push_back(fake::UninstallKey(name));
    EXPECT_EQ(os.opened_paths, expected);
    EXPECT_EQ(os.launches.size(), c.launched ? 1u : 0u);
  }
}

}  // namespace
}  // namespace tarnweld
