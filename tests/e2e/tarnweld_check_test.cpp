// TarnweldCheck.exe on real entries: each verdict, both registry views, JSON.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class TarnweldCheck : public EntryFixture {};

TEST_F(TarnweldCheck, EachVerdictWithItsExitCodeAndItsFacts) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  UninstallEntry no_value(Tail() + L" no value");
  const std::wstring open_unwise = folder_ / L"Open\\UNWISE.EXE";
  const std::wstring open_log = folder_ / L"Open\\INSTALL.LOG";
  PlaceStandIn(open_unwise);
  WriteFile(open_log);
  LetEveryoneChange(folder_ / L"Open");
  struct Case {
    std::wstring tail, value;
    DWORD exit_code;
    std::string facts;
  };
  const Case cases[] = {
      {Tail(), unwise + L" " + log, 0,
       "Tarnweld.exe would start: " + Ascii(unwise + L" /a " + log)},
      {L"x", L"", 10, "name-too-short"},
      {Tail() + L" missing", L"", 11, "lookup [" + Ascii(Tail()) + " missing]: no such entry"},
      {Tail() + L" no value", L"", 12, "has no UninstallString"},
      {Tail(), L"MsiExec.exe /X{12345678}", 13, "neither UNWISE.EXE nor UNWISE32.EXE"},
      {Tail(), L"UNWISE.EXE " + log, 14, "uninstaller [UNWISE.EXE]: not a fully qualified path"},
      {Tail(), unwise + L" " + log + L".gone", 15, "log [" + Ascii(log) + ".gone]: not found"},
      {Tail(), open_unwise + L" " + log, 16,
       "uninstaller folder [" + Ascii(folder_ / L"Open") + "]: Everyone (S-1-1-0) may add files"},
      {Tail(), unwise + L" " + open_log, 17,
       "icacls \"" + Ascii(folder_ / L"Open") +
           "\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F"},
  };
  for (const Case& c : cases) {
    if (!c.value.empty()) entry_.SetString(c.value);
    const Captured run = RunCaptured(CheckExe(), c.tail);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.out << run.err;
    EXPECT_NE(run.out.find(c.facts), std::string::npos) << c.facts << " in:\n" << run.out;
  }
  EXPECT_FALSE(ReadRecord(unwise, 300)) << "the check started the uninstaller";

  entry_.SetString(open_unwise + L" " + log);
  const Captured json = RunCaptured(CheckExe(), L"/json " + Tail());
  EXPECT_EQ(json.exit_code, 16u) << json.err;
  const auto untrusted = nlohmann::json::parse(json.out)["untrusted"];
  ASSERT_EQ(untrusted.size(), 1u) << json.out;
  EXPECT_EQ(untrusted[0]["path"], Ascii(folder_ / L"Open"));
  EXPECT_EQ(untrusted[0]["sid"], "S-1-1-0");
}

TEST_F(TarnweldCheck, ThePlanOfALogOfEachKind) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  Install(unwise, log);
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::string app = Ascii(folder_ / L"App");
  MakeFolders(folder_ / L"App\\Data");
  const std::string key = "Software\\TarnweldE2E\\" + Ascii(name_);
  std::string text;
  for (const std::string& line : std::vector<std::string>{
           "***  Installation Started 07/16/2024 10:42  ***", "Made Dir: " + app,
           "File Copy: " + app + "\\A.EXE | 07-16-2024 | 10:42:00 | 1.0 | 1 | 1",
           "File Copy: " + Ascii(windows) + "\\system32\\TARNWELD-E2E.DLL",
           "File Overwrite: " + app + "\\B.INI | 1", "Shell Link: " + app + "\\A.LNK",
           "Link Info: x", "File Tree: " + app + "\\Data\\*.*", "RegDB Key: " + key, "RegDB Val: 1",
           "RegDB Old: 0", "RegDB Root: 2", "RegDB Tree: " + key, "RegDB Root: 2",
           "Self-Register: " + app + "\\A.OCX", "Execute path: " + app + "\\A.EXE /U",
           "Something else"}) {
    text += line + "\r\n";
  }
  WriteFile(log, text);
  const Captured one = RunCaptured(CheckExe(), L"/json " + Tail());
  ASSERT_EQ(one.exit_code, 0u) << one.out << one.err;
  const auto json = nlohmann::json::parse(one.out);
  std::map<std::string, int> kinds;
  for (const auto& order : json["plan"]) ++kinds[order["kind"].get<std::string>()];
  const std::map<std::string, int> each_once{
      {"file", 1}, {"kept", 1},     {"overwritten", 1},   {"folder", 1},        {"link", 1},
      {"tree", 1}, {"registry", 1}, {"registry-tree", 1}, {"self-register", 1}, {"run", 1}};
  EXPECT_EQ(kinds, each_once) << one.out;
  EXPECT_EQ(json["plan"][0]["kind"], "run") << "the last line first";
  EXPECT_EQ(json["notUnderstood"], 1);

  const Captured all = RunCaptured(CheckExe(), L"/all /json");
  ASSERT_EQ(all.exit_code, 0u) << all.err;
  for (const auto& entry : nlohmann::json::parse(all.out)) {
    if (entry["entry"] != Ascii(Tail())) continue;
    for (const auto& [kind, count] : each_once) EXPECT_EQ(entry["planCounts"][kind], count) << kind;
  }
}

TEST_F(TarnweldCheck, InventoryOfBothViewsParsesAsJson) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  const std::wstring in32 = Tail() + L" \"32\"", in64 = Tail() + L" 64 \x00e9";
  UninstallEntry wise32(in32, KEY_WOW64_32KEY), wise64(in64, KEY_WOW64_64KEY);
  UninstallEntry msi32(Tail() + L" msi", KEY_WOW64_32KEY), msi64(Tail() + L" msi", KEY_WOW64_64KEY);
  wise32.SetString(L"\"" + unwise + L"\" " + log);
  wise32.SetText(L"DisplayName", L"Old \"App\" \\ 1.0");
  wise64.SetString(unwise + L" " + log + L".gone");
  msi32.SetString(L"MsiExec.exe /X{1}");
  msi64.SetString(L"MsiExec.exe /X{1}");

  const Captured run = RunCaptured(CheckExe(), L"/all /json");
  ASSERT_EQ(run.exit_code, 0u) << run.err;
  const auto all = nlohmann::json::parse(run.out);
  ASSERT_TRUE(all.is_array());
  std::map<std::string, nlohmann::json> ours;
  for (const auto& entry : all) {
    const std::string name = entry["entry"];
    if (name.rfind(Ascii(Tail()), 0) == 0) ours[entry["view"].get<std::string>() + name] = entry;
  }
  ASSERT_EQ(ours.size(), 2u) << run.out;
  const auto& found32 = ours["32-bit" + Ascii(in32)];
  EXPECT_EQ(found32["verdict"], "would-launch");
  // Tarnweld.exe of the same bitness as this build reads that one view.
  const bool built_for_32_bit = sizeof(void*) == 4;
  EXPECT_EQ(found32["readByTarnweld"], built_for_32_bit);
  EXPECT_EQ(found32["displayName"], "Old \"App\" \\ 1.0");
  const auto& found64 = ours["64-bit" + Ascii(Tail()) + " 64 \xc3\xa9"];
  EXPECT_EQ(found64["verdict"], "log-missing");
  EXPECT_EQ(found64["readByTarnweld"], !built_for_32_bit);
  EXPECT_EQ(found64["exitCode"], 15);
  EXPECT_TRUE(found64["commandLine"].is_null());
}

TEST_F(TarnweldCheck, InventoryWithoutThe32BitKeyAndAtLength) {
  // A 64-bit system that never had a 32-bit program has no such key; when
  // nothing is left in it, take it away.
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                  KEY_WOW64_32KEY, 0);
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  PlaceStandIn(unwise);
  WriteFile(log);
  // Well past the 64 KB that one console write may carry on old Windows.
  std::vector<std::unique_ptr<UninstallEntry>> entries;
  for (int i = 0; i < 150; ++i) {
    entries.push_back(std::make_unique<UninstallEntry>(Tail() + L" " + std::to_wstring(i)));
    entries.back()->SetString(unwise + L" " + log);
    entries.back()->SetText(L"DisplayName", std::wstring(400, L'x'));
  }
  const Captured run = RunCaptured(CheckExe(), L"/all /json");
  EXPECT_EQ(run.exit_code, 0u) << run.err;
  EXPECT_GT(run.out.size(), 100000u);
  std::size_t ours = 0;
  for (const auto& entry : nlohmann::json::parse(run.out)) {
    ours += entry["entry"].get<std::string>().rfind(Ascii(Tail()), 0) == 0;
  }
  EXPECT_EQ(ours, 150u);
}

TEST_F(TarnweldCheck, UnknownOptionGivesUsageOnStandardError) {
  const Captured run = RunCaptured(CheckExe(), L"/remove " + Tail());
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("TarnweldCheck.exe /all [/json]"), std::string::npos);
}

}  // namespace
}  // namespace tarnweld::e2e
