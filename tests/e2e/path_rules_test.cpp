// Only what was checked is launched: fully qualified paths, no devices, the
// registry read as stored, and names as administrators type them.
#include <gtest/gtest.h>

#include <vector>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class PathRules : public EntryFixture {};

TEST_F(PathRules, RelativeUninstallerRunsNeitherBesideTarnweldNorInTheCurrentFolder) {
  const std::wstring tools = folder_ / L"Tools";
  const std::wstring current = folder_ / L"Current";
  MakeFolders(tools);
  CopyFileW(TarnweldExe().c_str(), (tools + L"\\Tarnweld.exe").c_str(), FALSE);
  const std::wstring log = folder_ / L"INSTALL.LOG";
  WriteFile(log);
  const std::wstring rooted = folder_.path().substr(2);  // \TarnweldE2E\...
  const std::vector<std::wstring> uninstallers = {L"UNWISE.EXE", L"sub\\UNWISE.EXE",
                                                  rooted + L"\\Current\\UNWISE.EXE",
                                                  L"C:Current\\UNWISE.EXE"};
  std::vector<std::wstring> planted;
  for (const std::wstring& folder : {tools, current, current + L"\\sub", tools + L"\\sub"}) {
    planted.push_back(folder + L"\\UNWISE.EXE");
    PlaceStandIn(planted.back());
  }
  for (const auto& uninstaller : uninstallers) {
    entry_.SetString(uninstaller + L" " + log);
    Process tarnweld(tools + L"\\Tarnweld.exe", L"\"" + tools + L"\\Tarnweld.exe\" " + Tail(),
                     current);
    EXPECT_TRUE(tarnweld.Wait(15000).finished);
  }
  for (const auto& path : planted) EXPECT_FALSE(ReadRecord(path, 300)) << "ran " << path.c_str();
}

TEST_F(PathRules, DevicesAndPatternsAreNoLogs) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  PlaceStandIn(unwise);
  WriteFile(folder_ / L"INSTALL.LOG");
  // The last one is a log, so that the table fails if nothing ever starts.
  const std::vector<std::wstring> logs = {L"NUL",
                                          L"CON",
                                          L"COM1",
                                          folder_ / L"NUL",
                                          folder_ / L"con.log",
                                          folder_ / L"INSTALL.LO>",
                                          folder_ / L"INSTALL.<OG",
                                          folder_ / L"INSTALL.LOG"};
  for (const std::wstring& log : logs) {
    entry_.SetString(unwise + L" " + log);
    RunEnding(Tail());
    const bool real_log = log == logs.back();
    EXPECT_EQ(ReadRecord(unwise, real_log ? 3000 : 300).has_value(), real_log)
        << "started on " << log.c_str();
  }
}

TEST_F(PathRules, LookAlikeCharactersNameNoOtherFile) {
  const std::wstring unwise = folder_ / L"App\\UNWISE.EXE";
  const std::wstring look_alike = folder_ / L"\xFF21pp\\UNWISE.EXE";  // fullwidth A
  const std::wstring log = folder_ / L"App\\INSTALL.LOG";
  Install(unwise, log);
  PlaceStandIn(look_alike);
  entry_.SetString(look_alike + L" " + log);
  RunEnding(Tail());
  EXPECT_TRUE(ReadRecord(look_alike)) << "the file named is the one that runs";
  EXPECT_FALSE(ReadRecord(unwise, 300));
}

TEST_F(PathRules, ValuesAndNamesOutsideTheCodePageAreUsedExactly) {
  const std::wstring unwise = folder_ / L"\x0394\x6587 \xD83D\xDE00\\UNWISE.EXE";
  const std::wstring log = folder_ / L"\x0394\x6587 \xD83D\xDE00\\INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  const std::wstring name = L"TarnweldE2E \x0394\x6587\xFF21";
  UninstallEntry wide(name);
  wide.SetString(L"\"" + unwise + L"\" \"" + log + L"\"");
  RunEnding(name);
  EXPECT_EQ(LaunchedLine(unwise), L"\"" + unwise + L"\" /a \"" + log + L"\"");
}

TEST_F(PathRules, UnquotedOwnPathWithASpaceIsSkippedWhole) {
  const std::wstring tools = folder_ / L"Tool Dir";
  MakeFolders(tools);
  const std::wstring copy = tools + L"\\Tarnweld.exe";
  CopyFileW(TarnweldExe().c_str(), copy.c_str(), FALSE);
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  Install(unwise, folder_ / L"INSTALL.LOG");
  Process tarnweld(copy, copy + L" " + Tail());
  EXPECT_TRUE(tarnweld.Wait(15000).finished);
  EXPECT_TRUE(ReadRecord(unwise));
}

TEST_F(PathRules, TrailingSpacesAndQuotationMarksFindTheEntryWhenNoneCarriesThem) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  Install(unwise, folder_ / L"INSTALL.LOG");
  const std::vector<std::wstring> tails = {Tail() + L" ", L"\"" + Tail() + L"\"",
                                           L" \"" + Tail() + L"\" "};
  for (const std::wstring& tail : tails) {
    DeleteFileW((unwise + L".record").c_str());
    RunEnding(tail);
    EXPECT_TRUE(ReadRecord(unwise)) << "[" << tail.c_str() << "]";
  }
}

TEST_F(PathRules, FilesAnyoneCouldChangeAreNotRunTheSameWithDefaultModesAre) {
  struct Case {
    const char* what;
    std::wstring changeable;  // relative to the layout's own folder
  };
  const Case cases[] = {
      {"uninstaller", L"Above\\App\\UNWISE.EXE"},
      {"log", L"Above\\App\\INSTALL.LOG"},
      {"their folder", L"Above\\App"},
      {"a folder above", L"Above"},
  };
  int layout = 0;
  for (const Case& c : cases) {
    for (const bool changeable : {true, false}) {
      const std::wstring root = folder_ / std::to_wstring(layout++);
      const std::wstring unwise = root + L"\\Above\\App\\UNWISE.EXE";
      Install(unwise, root + L"\\Above\\App\\INSTALL.LOG");
      if (changeable) LetEveryoneChange(root + L"\\" + c.changeable);
      RunEnding(Tail());
      EXPECT_EQ(ReadRecord(unwise, changeable ? 300 : 3000).has_value(), !changeable)
          << c.what << (changeable ? " changeable by Everyone" : " with default modes");
    }
  }
}

}  // namespace
}  // namespace tarnweld::e2e
