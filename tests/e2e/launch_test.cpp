// Tarnweld.exe against a real registry, real files and real processes.
#include <gtest/gtest.h>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class Launch : public EntryFixture {
 protected:
  RunResult RunOnEntry() { return RunEnding(Tail()); }
};

TEST_F(Launch, WorkedExampleStartsUnwiseInAutomaticMode) {
  const std::wstring unwise = folder_ / L"WINDOWS\\UNWISE.EXE";
  const std::wstring log = folder_ / L"APP\\LIST.TXT";
  Install(unwise, log);
  RunOnEntry();
  const auto record = ReadRecord(unwise);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->command_line, unwise + L" /a " + log);
  EXPECT_TRUE(record->startup_flags & STARTF_USESHOWWINDOW);
  EXPECT_EQ(record->show_window, static_cast<unsigned>(SW_SHOWNORMAL));
}

// Each value as stored, and the command line it starts: one space around
// the switch, quotation marks as stored, never a program on a shorter prefix
// of an unquoted path with spaces.
TEST_F(Launch, TheValueAsStoredWithTheSwitchBetweenItsPaths) {
  struct Case {
    const wchar_t *unwise, *log;
    std::wstring quote = {}, before = {}, between = {}, after = {};  // around, between the paths
    bool without_nul = false;  // the value stored without its NUL
  };
  const Case cases[] = {
      {L"win\\unwise.exe", L"install.log", L"", L"  ", L"    ", L"   "},
      {L"Program Files\\Wise\\UNWISE.EXE", L"Program Files\\Old App\\INSTALL.LOG", L"\""},
      {L"Program Files\\Wise\\UNWISE.EXE", L"INSTALL.LOG"},
      {L"Program Files\\App\\UNWISE32.EXE", L"Program Files\\App\\INSTALL.LOG"},
      {L"Program Files\\App\\UNWISE32.EXE", L"Program Files\\App\\INSTALL.LOG", L"\""},
      {L"UNWISE.EXE", L"INSTALL.LOG", L"", L"", L" ", L"", true},
  };
  const std::wstring trap = folder_ / L"Program.exe";
  PlaceStandIn(trap);
  for (const Case& c : cases) {
    const std::wstring unwise = c.quote + (folder_ / c.unwise) + c.quote;
    const std::wstring log = c.quote + (folder_ / c.log) + c.quote;
    SCOPED_TRACE(unwise.c_str());
    PlaceStandIn(folder_ / c.unwise);
    WriteFile(folder_ / c.log);
    DeleteFileW((folder_ / c.unwise + L".record").c_str());
    const std::wstring value =
        c.before + unwise + (c.between.empty() ? L" " : c.between) + log + c.after;
    if (c.without_nul) {
      entry_.SetRaw(REG_SZ, value.data(), static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    } else {
      entry_.SetString(value);
    }
    RunOnEntry();
    EXPECT_EQ(LaunchedLine(folder_ / c.unwise), unwise + L" /a " + log);
  }
  EXPECT_FALSE(ReadRecord(trap, 300));
}

// Wine passes no error mode to a child at all, so under Wine this cannot
// fail even if Tarnweld handed its quiet mode on: it only shows that nothing
// else sets one. The host test of the launch order (the launcher's mode
// restored, launch, quiet again) is what catches a fault there.
TEST_F(Launch, UninstallerDoesNotGetTarnweldsQuietErrorMode) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  Install(unwise, log);
  RunOnEntry();
  const auto record = ReadRecord(unwise);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->error_mode & (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX), 0u);
}

TEST_F(Launch, NothingStartsWhenTheLogOrTheEntryIsMissing) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  PlaceStandIn(unwise);
  entry_.SetString(unwise + L" " + (folder_ / L"NO-SUCH.LOG"));
  RunOnEntry();
  EXPECT_FALSE(ReadRecord(unwise, 500));

  const RunResult missing = RunTarnweld(L"TarnweldE2E no such entry");
  EXPECT_TRUE(missing.finished);
  EXPECT_EQ(missing.exit_code, 0u);
}

TEST_F(Launch, NothingStartsForADirectoryOrAHiddenLog) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring hidden = folder_ / L"HIDDEN.LOG";
  PlaceStandIn(unwise);
  WriteFile(hidden);
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  entry_.SetString(unwise + L" " + folder_.path());
  RunOnEntry();
  entry_.SetString(unwise + L" " + hidden);
  RunOnEntry();
  EXPECT_FALSE(ReadRecord(unwise, 500));
}

TEST_F(Launch, ReadOnlyLogIsANormalFile) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  entry_.SetString(unwise + L" " + log);
  RunOnEntry();
  EXPECT_TRUE(ReadRecord(unwise));
}

TEST_F(Launch, ValueOfThreeHundredCharactersIsReadWhole) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  std::wstring log = folder_ / L"";
  log += std::wstring(300 - 1 - unwise.size() - log.size() - 4, L'L') + L".LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  const std::wstring value = unwise + L" " + log;
  ASSERT_EQ(value.size(), 300u);
  entry_.SetString(value);
  RunOnEntry();
  EXPECT_EQ(LaunchedLine(unwise), unwise + L" /a " + log);
}

TEST_F(Launch, NeitherTarnweldNorTheUninstallerKeepsTheCallersFolder) {
  // Started from a script inside the installation, as deployments often are.
  const std::wstring unwise = folder_ / L"App\\UNWISE.EXE";
  Install(unwise, folder_ / L"App\\INSTALL.LOG");
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()), folder_ / L"App");
  const auto record = ReadRecord(unwise);
  ASSERT_TRUE(record) << "the removal launches all the same";
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(_wcsicmp(record->current_directory.c_str(), system), 0);
  EXPECT_TRUE(tarnweld.Wait(15000).finished);
}

TEST_F(Launch, ExpandableValueIsNotExpanded) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  PlaceStandIn(unwise);
  WriteFile(folder_ / L"INSTALL.LOG");
  SetEnvironmentVariableW(L"TARNWELD_E2E_DIR", folder_.path().c_str());
  for (const std::wstring& folder : {std::wstring(L"%TARNWELD_E2E_DIR%"), folder_.path()}) {
    const std::wstring value = folder + L"\\UNWISE.EXE " + folder + L"\\INSTALL.LOG";
    entry_.SetRaw(REG_EXPAND_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RunOnEntry();
    // Read as stored: the same type with the paths written out does run.
    const bool written_out = folder == folder_.path();
    EXPECT_EQ(ReadRecord(unwise, written_out ? 3000 : 500).has_value(), written_out)
        << value.c_str();
  }
}

TEST_F(Launch, TailIsTheEntryNameWithItsQuotesAndTrailingSpaces) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  UninstallEntry quoted(L"\"TarnweldE2E quoted\"  ");
  quoted.SetString(unwise + L" " + log);
  // Without its quotes and spaces the name is another entry, which has no value.
  EXPECT_EQ(RunTarnweld(L"TarnweldE2E quoted").exit_code, 0u);
  EXPECT_FALSE(ReadRecord(unwise, 300));
  EXPECT_EQ(RunTarnweld(L"\"TarnweldE2E quoted\"  ").exit_code, 0u);
  EXPECT_TRUE(ReadRecord(unwise));
}

}  // namespace
}  // namespace tarnweld::e2e
