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

// UNWISE.EXE reads its command line in the system's ANSI code page, where
// best fit turns C:\\\xFF21pp into C:\\App: a file the rule never judged.
TEST_F(PathRules, PathsAnAnsiUninstallerWouldReadAsAnotherFileAreRefused) {
  const UINT code_page = GetACP();
  if (code_page == 65001 || code_page == 932 || code_page == 936 || code_page == 949 ||
      code_page == 950) {
    GTEST_SKIP() << "code page " << code_page << " carries fullwidth letters exactly";
  }
  const std::wstring real = folder_ / L"App\\UNWISE.EXE";
  const std::wstring real_log = folder_ / L"App\\INSTALL.LOG";
  PlaceStandIn(real);
  WriteFile(real_log);
  struct Case {
    std::wstring folder;  // of both the uninstaller and the log
    bool launched;
  };
  const Case cases[] = {
      {L"\xFF21pp", false},      // fullwidth A: best fit reads App
      {L"\x0394\x6587", false},  // in no single-byte code page
      {L"Caf\x00e9 App", true},  // in 1252 and 437 alike: read exactly
  };
  // The entry's own name may hold anything: it is never handed on.
  const std::wstring name = L"TarnweldE2E \x0394\x6587\xFF21";
  UninstallEntry wide(name);
  for (const Case& c : cases) {
    const std::wstring unwise = folder_ / (c.folder + L"\\UNWISE.EXE");
    const std::wstring log = folder_ / (c.folder + L"\\INSTALL.LOG");
    PlaceStandIn(unwise);
    WriteFile(log);
    wide.SetString(L"\"" + unwise + L"\" \"" + log + L"\"");
    RunEnding(name);
    EXPECT_EQ(ReadRecord(unwise, c.launched ? 3000 : 300).has_value(), c.launched)
        << Ascii(c.folder);
    if (c.launched) {
      EXPECT_EQ(LaunchedLine(unwise), L"\"" + unwise + L"\" /a \"" + log + L"\"");
    }
  }
  EXPECT_FALSE(ReadRecord(real, 300)) << "the look-alike's namesake ran";
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

// The log is the uninstaller's program: what it runs and where it deletes
// count as much as the uninstaller itself.
TEST_F(PathRules, LogsOrderingWhatAnyoneCouldChangeAreNotRunTheSameWithDefaultModesAre) {
  struct Case {
    const char* what;
    std::wstring order;       // with %s for the layout's own folder
    std::wstring changeable;  // relative to it
  };
  const Case cases[] = {
      {"a program it runs", L"Execute path: %s\\Tools\\SETUP.EXE /U", L"Tools"},
      {"a subfolder of a tree it deletes", L"File Tree: %s\\Data\\", L"Data\\Sub"},
  };
  int layout = 0;
  for (const Case& c : cases) {
    for (const bool changeable : {true, false}) {
      const std::wstring root = folder_ / (L"L" + std::to_wstring(layout++));
      const std::wstring unwise = root + L"\\App\\UNWISE.EXE";
      const std::wstring log = root + L"\\App\\INSTALL.LOG";
      Install(unwise, log);
      PlaceStandIn(root + L"\\Tools\\SETUP.EXE");
      MakeFolders(root + L"\\Data\\Sub");
      std::wstring order = c.order;
      order.replace(order.find(L"%s"), 2, root);
      WriteFile(log, "File Copy: " + Ascii(unwise) + " | 1\r\n" + Ascii(order) + "\r\n");
      if (changeable) LetEveryoneChange(root + L"\\" + c.changeable);
      RunEnding(Tail());
      EXPECT_EQ(ReadRecord(unwise, changeable ? 300 : 3000).has_value(), !changeable)
          << c.what << (changeable ? " changeable by Everyone" : " with default modes");
    }
  }
}

// A volatile key under HKLM, plain or a link to `target` (a registry path
// such as \Registry\Machine\Software\Microsoft), deleted as itself at the end:
// deleting it through its name would delete what it points at.
class ScratchKey {
 public:
  ScratchKey(const std::wstring& path, const std::wstring& target) {
    const DWORD options = REG_OPTION_VOLATILE | (target.empty() ? 0 : REG_OPTION_CREATE_LINK);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options,
                    KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key_, nullptr);
    if (key_ && !target.empty()) {
      RegSetValueExW(key_, L"SymbolicLinkValue", 0, REG_LINK,
                     reinterpret_cast<const BYTE*>(target.data()),
                     static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    }
  }
  ~ScratchKey() {
    using DeleteKey = LONG(WINAPI*)(HANDLE);
    const auto delete_key = reinterpret_cast<DeleteKey>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (key_ && delete_key) delete_key(key_);
    if (key_) RegCloseKey(key_);
  }
  bool made() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

// A key the log deletes that is a link would carry the uninstaller to the
// key it points at: refused. The same key, plain, is not.
TEST_F(PathRules, KeysTheLogNamesAreOpenedAsThemselvesAndLinksAreRefused) {
  const std::wstring unwise = folder_ / L"App\\UNWISE.EXE";
  const std::wstring log = folder_ / L"App\\INSTALL.LOG";
  for (const bool link : {true, false}) {
    const std::wstring key = L"Software\\TarnweldE2E-" + name_ + (link ? L"-link" : L"-plain");
    const ScratchKey made(key, link ? L"\\Registry\\Machine\\Software\\Microsoft" : L"");
    ASSERT_TRUE(made.made());
    Install(unwise, log);
    WriteFile(log, "RegDB Tree: " + Ascii(key) + "\r\nRegDB Root: 2\r\n");
    DeleteFileW((unwise + L".record").c_str());
    RunEnding(Tail());
    EXPECT_EQ(ReadRecord(unwise, link ? 300 : 3000).has_value(), !link)
        << (link ? "a link" : "a plain key");
  }
}

// A Wise uninstaller copies itself into its temporary folder and runs from
// there, loading any DLL beside the copy.
TEST_F(PathRules, TheUninstallerGetsATemporaryFolderOnlyAdministratorsCanChange) {
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring made_prefix = std::wstring(windows) + L"\\Temp\\Tarnweld-";
  const std::wstring unwise = folder_ / L"App\\UNWISE.EXE";
  Install(unwise, folder_ / L"App\\INSTALL.LOG");
  struct Case {
    const char* what;
    bool open_to_everyone;
  };
  for (const Case& c : {Case{"the caller's TEMP, open to everyone, is not passed on", true},
                        Case{"the caller's own TEMP is kept", false}}) {
    const std::wstring callers = folder_ / (c.open_to_everyone ? L"OpenTemp" : L"OwnTemp");
    MakeFolders(callers);
    if (c.open_to_everyone) LetEveryoneChange(callers);
    DeleteFileW((unwise + L".record").c_str());
    wchar_t temp[MAX_PATH * 2] = L"", tmp[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH * 2);
    GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH * 2);
    SetEnvironmentVariableW(L"TEMP", callers.c_str());
    SetEnvironmentVariableW(L"TMP", callers.c_str());
    RunEnding(Tail());
    SetEnvironmentVariableW(L"TEMP", temp);
    SetEnvironmentVariableW(L"TMP", tmp);
    const auto record = ReadRecord(unwise);
    ASSERT_TRUE(record) << c.what;
    EXPECT_EQ(record->temp, record->tmp) << c.what;
    if (!c.open_to_everyone) {
      EXPECT_EQ(record->temp, callers) << c.what;
      continue;
    }
    EXPECT_NE(record->temp, callers) << c.what;
    ASSERT_FALSE(record->temp.empty()) << c.what;
    // One that exists, or one made for the run and removed once empty.
    const bool made = record->temp.rfind(made_prefix, 0) == 0;
    EXPECT_EQ(GetFileAttributesW(record->temp.c_str()) != INVALID_FILE_ATTRIBUTES, !made)
        << c.what << ": " << Ascii(record->temp);
  }
}

}  // namespace
}  // namespace tarnweld::e2e
