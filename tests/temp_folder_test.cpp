#include "decide/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "check/check.h"
#include "removal/run_removal.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::Narrow;
using ::testing::HasSubstr;

constexpr wchar_t kCallers[] = L"C:\\CallerTemp";
constexpr wchar_t kSystemTemp[] = L"C:\\WINDOWS\\SystemTemp";
constexpr wchar_t kProfile[] = L"C:\\Users\\Admin\\AppData\\Local\\Temp";
constexpr wchar_t kWindowsTemp[] = L"C:\\WINDOWS\\Temp";
constexpr wchar_t kMade[] = L"C:\\WINDOWS\\Temp\\Tarnweld-0f1e2d3c4b5a69788796a5b4c3d2e1f0";

platform::SecurityRead OpenToUsers() {
  return fake::Owned(L"S-1-5-32-544", {{L"S-1-5-32-545", 0x1301BF}});
}

std::wstring TempGiven(const fake::LaunchCall& launch) {
  std::wstring temp, tmp;
  for (const std::wstring& variable : launch.environment) {
    if (variable.rfind(L"TEMP=", 0) == 0) temp = variable.substr(5);
    if (variable.rfind(L"TMP=", 0) == 0) tmp = variable.substr(4);
  }
  EXPECT_EQ(temp, tmp);
  return temp;
}

TEST(TempFolder, TheFirstOneOnlyAdministratorsAndTheCallerCanChangeElseNothingStarts) {
  struct Case {
    const char* what;
    fake::Change arrange;
    std::wstring given;  // empty: nothing launched
    bool removed = false;
  };
  const auto missing = [](std::initializer_list<const wchar_t*> paths) {
    return [folders = fake::Paths(paths.begin(), paths.end())](FakePlatform& os) {
      os.missing_folders = folders;
    };
  };
  const auto given = [](const wchar_t* path) {
    return [=](FakePlatform& os) { os.temp_path = path; };
  };
  const auto on = [](const wchar_t* path, platform::SecurityRead security) {
    return [=](FakePlatform& os) { os.security[path] = security; };
  };
  const auto version = [](std::uint32_t major) {
    return [=](FakePlatform& os) { os.major_version = major; };
  };
  const fake::Change none_of_three = missing({kCallers, kSystemTemp, kProfile});
  const Case cases[] = {
      {"the caller's own", [](FakePlatform&) {}, kCallers},
      {"the caller's open to users", on(kCallers, OpenToUsers()), kSystemTemp},
      // Whoever may add a subfolder may plant GLB1A2B.EXE.local.
      {"the caller's takes new subfolders",
       on(kCallers, fake::Owned(L"S-1-5-32-544", {{L"S-1-5-11", 0x4}})), kSystemTemp},
      {"a folder above it may be replaced",
       fake::All({given(L"C:\\Users\\Bob\\Temp\\"),
                  on(L"C:\\Users\\Bob", fake::Owned(L"S-1-5-21-9-9-9-1200", {}))}),
       kSystemTemp},
      {"the caller's on a network", given(L"\\\\server\\share\\Temp\\"), kSystemTemp},
      {"the caller's would reach UNWISE.EXE as another path", given(L"C:\\\xFF34emp\\"),
       kSystemTemp},
      {"the caller's unknown", given(L""), kSystemTemp},
      {"the caller's, given without its trailing backslash", given(kCallers), kCallers},
      {"the profile's", missing({kCallers, kSystemTemp}), kProfile},
      {"the profile's on Vista", fake::All({version(6), missing({kCallers, kSystemTemp})}),
       kProfile},
      {"the profile's on XP", fake::All({version(5), missing({kCallers, kSystemTemp})}),
       L"C:\\Users\\Admin\\Local Settings\\Temp"},
      {"one made for the run", none_of_three, kMade, true},
      {"one made for the run, left with files in it",
       fake::All({none_of_three, [](FakePlatform& os) { os.made_folder_empty = false; }}), kMade,
       true},
      {"none: what would hold it may be taken over",
       fake::All({none_of_three, on(kWindowsTemp, fake::Owned(L"S-1-1-0", {}))}), L""},
      {"none: it cannot be made",
       fake::All({none_of_three, [](FakePlatform& os) { os.make_error = 5; }}), L""},
      {"none: what was made is not what was asked for",
       fake::All({none_of_three, on(kMade, OpenToUsers())}), L"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.temp_path = std::wstring(kCallers) + L"\\";
    os.folders.insert({kCallers, L"C:\\Users\\Admin\\Local Settings\\Temp", kMade});
    c.arrange(os);
    RunRemoval(os.os());
    EXPECT_EQ(os.launches.size(), c.given.empty() ? 0u : 1u);
    EXPECT_EQ(os.launches.empty() ? L"" : TempGiven(os.launches[0]), c.given);
    EXPECT_EQ(os.removed,
              c.removed ? std::vector<std::wstring>{kMade} : std::vector<std::wstring>{});
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST(TempFolder, TheCheckNamesWhatWouldBeUsedAndMakesNothing) {
  struct Case {
    std::function<void(FakePlatform&)> arrange;
    int code;
    const char* temp;  // null: JSON null
    bool created;
    const char* words;
  };
  const Case cases[] = {
      {[](FakePlatform&) {}, 0, "C:\\Users\\Admin\\AppData\\Local\\Temp", false,
       "temp [C:\\Users\\Admin\\AppData\\Local\\Temp] (the caller's own): only administrators "
       "and the caller can change it"},
      {[](FakePlatform& os) {
         os.missing_folders = {kProfile, kSystemTemp};
       },
       0, nullptr, true, "temp made for the run inside [C:\\WINDOWS\\Temp]"},
      {[](FakePlatform& os) {
         os.missing_folders = {kProfile, kSystemTemp};
         os.security[kWindowsTemp] = OpenToUsers();
       },
       19, nullptr, false, "folder above the temporary folder [C:\\WINDOWS\\Temp]: S-1-5-32-545"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.account_names[os.caller_sid] = L"OLDPC\\admin";
    c.arrange(os);
    EXPECT_EQ(check::RunCheck(os.check(), L"/json OldApp"), c.code);
    const auto json = nlohmann::json::parse(Narrow(os.out.text));
    EXPECT_EQ(json["temp"].is_null(), c.temp == nullptr);
    if (c.temp) {
      EXPECT_EQ(json["temp"], c.temp);
    }
    EXPECT_EQ(json["tempCreated"], c.created);
    os.out.text.clear();
    check::RunCheck(os.check(), L"OldApp");
    EXPECT_THAT(Narrow(os.out.text), HasSubstr(c.words));
    EXPECT_THAT(Narrow(os.out.text),
                HasSubstr("Temporary folder: judged for OLDPC\\admin (S-1-5-21-7-7-7-1000), the "
                          "account this check runs as"));
    EXPECT_TRUE(os.made.empty());
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST(TempFolder, TheUninstallersEnvironmentDiffersOnlyInTempAndTmp) {
  struct Case {
    std::vector<std::wstring> own, given;
  };
  const Case cases[] = {
      // Replaced where they stand, whatever their letter case.
      {{L"=C:=C:\\X", L"Path=C:\\W", L"Temp=C:\\Open", L"tmp=C:\\Open", L"\x00c9T\x00c9=\x6587"},
       {L"=C:=C:\\X", L"Path=C:\\W", L"TEMP=C:\\T", L"TMP=C:\\T", L"\x00c9T\x00c9=\x6587"}},
      // Added in order where absent; the hidden drive folders stay first.
      {{L"=C:=C:\\X", L"=D:=D:\\", L"ALLUSERSPROFILE=C:\\P", L"windir=C:\\W"},
       {L"=C:=C:\\X", L"=D:=D:\\", L"ALLUSERSPROFILE=C:\\P", L"TEMP=C:\\T", L"TMP=C:\\T",
        L"windir=C:\\W"}},
      {{}, {L"TEMP=C:\\T", L"TMP=C:\\T"}},
      // A name that only starts like one is another variable.
      {{L"TEMPDIR=C:\\D", L"TMPX=1"}, {L"TEMP=C:\\T", L"TEMPDIR=C:\\D", L"TMP=C:\\T", L"TMPX=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given.size());
    EXPECT_EQ(UninstallerEnvironment(c.own, L"C:\\T"), c.given);
  }
}

TEST(TempFolder, ThePathKeepsOnlyFoldersOnlyAdministratorsCanChange) {
  FakePlatform os;
  os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  os.block[1] =
      L"Path=C:\\WINDOWS\\system32;C:\\Open;bin;;C:\\Missing;\"C:\\Tools\";C:\\Open\\Sub;"
      L"C:\\Tools ;C:\\OLDAPP\\BIN\\;C:\\Gone;c:\\appdir;C:\\Older\\BIN;C:\\OTHER";
  // What the log empties or removes, whoever may make it again decides.
  os.contents[L"C:\\L.TXT"] =
      "File Tree: C:\\OLDAPP\\\r\nMade Dir: C:\\Gone\r\nFile Copy: C:\\APPDIR\\A.DLL\r\n"
      "File Tree: C:\\OLDE*\r\nFile Copy: C:\\X.TXT\r\n";
  os.security[L"C:\\Open"] = OpenToUsers();
  os.missing_folders = {L"C:\\Missing"};
  os.folders.insert({L"C:\\Tools", L"C:\\Open\\Sub", L"C:\\OLDAPP\\BIN", L"C:\\Gone", L"C:\\APPDIR",
                     L"C:\\Older\\BIN", L"C:\\OTHER"});
  RunRemoval(os.os());
  ASSERT_EQ(os.launches.size(), 1u);
  EXPECT_THAT(os.launches[0].environment,
              ::testing::Contains(L"Path=C:\\WINDOWS\\system32;\"C:\\Tools\";C:\\OTHER"));
  EXPECT_THAT(
      Narrow(os.debugger.text),
      ::testing::AllOf(
          HasSubstr("PATH folder [C:\\Open] left out: PATH folder [C:\\Open]: S-1-5-32-545 may add "
                    "files"),
          HasSubstr("PATH folder [bin] left out: not a fully qualified"),
          HasSubstr("PATH folder [C:\\Missing] left out: not found"),
          HasSubstr("PATH folder [C:\\Open\\Sub] left out: folder above"),
          HasSubstr("PATH folder [C:\\Tools ] left out: a name in it ends in a space or a dot"),
          HasSubstr("PATH folder [C:\\OLDAPP\\BIN\\] left out: at or below [C:\\OLDAPP], which log "
                    "line 1 (tree) empties or removes: whoever makes it again decides what it "
                    "holds"),
          HasSubstr("PATH folder [C:\\Gone] left out: at or below [C:\\Gone], which log line 2 "),
          HasSubstr(
              "PATH folder [c:\\appdir] left out: at or below [C:\\APPDIR], which log line 3 "),
          HasSubstr("PATH folder [C:\\Older\\BIN] left out: at or below [C:\\], which log line 4 "),
          HasSubstr("PATH for the uninstaller: 3 folders kept, 9 left out")));
}

}  // namespace
}  // namespace tarnweld
