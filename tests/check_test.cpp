#include "check/check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>

#include "check/json.h"
#include "check/plan_report.h"
#include "tests/fake_platform.h"

namespace tarnweld::check {
namespace {

using fake::FakePlatform;
using fake::Narrow;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(Json, EscapesEverythingAParserCouldTripOverAndKeepsTheText) {
  // Each text and its UTF-8, as a parser reads the JSON string back.
  const std::pair<std::wstring, std::string> hostile[] = {
      {L"plain", "plain"},
      {L"\"quoted\" \\back\\slash\\", "\"quoted\" \\back\\slash\\"},
      {L"\x01\x1f\x7f\b\f\n\r\t", "\x01\x1f\x7f\b\f\n\r\t"},
      {L"</script>", "</script>"},
      {L"\x00e9\x4e2d\x2028\x2029", "\xc3\xa9\xe4\xb8\xad\xe2\x80\xa8\xe2\x80\xa9"},
      {std::wstring(L"nul\0inside", 10), std::string("nul\0inside", 10)},
      {L"\U0001F600", "\xf0\x9f\x98\x80"},
  };
  for (const auto& [text, utf8] : hostile) {
    SCOPED_TRACE(utf8);
    const std::wstring json = JsonString(text);
    for (const wchar_t c : json) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "ASCII only";
    EXPECT_EQ(nlohmann::json::parse(Narrow(json)).get<std::string>(), utf8);
  }
  // A lone surrogate has no UTF-8 form; it becomes U+FFFD instead of invalid JSON.
  EXPECT_EQ(JsonString(std::wstring(1, static_cast<wchar_t>(0xD800))), L"\"\\ufffd\"");
  // As UTF-16 units, which is how Windows hands them over.
  EXPECT_EQ(JsonString(std::u16string(1, u'\xDC00')), L"\"\\ufffd\"");
  EXPECT_EQ(JsonString(std::u16string{u'\xD83D', u'\xDE00'}), L"\"\\ud83d\\ude00\"");
  EXPECT_EQ(JsonString(std::u16string{u'\xD83D', u'x'}), L"\"\\ufffdx\"");
  // The ends of each range, written exactly.
  EXPECT_EQ(JsonString(std::u16string{u' ', u'~', u'\xDBFF', u'\xDFFF', u'\xFFFF'}),
            L"\" ~\\udbff\\udfff\\uffff\"");
  if constexpr (sizeof(wchar_t) == 4) {  // whole code points, as on this host
    EXPECT_EQ(
        JsonString(std::wstring{static_cast<wchar_t>(0x10FFFF), static_cast<wchar_t>(0x110000)}),
        L"\"\\udbff\\udfff\\ufffd\"");
  }
  EXPECT_EQ(JsonObject().Number(L"a", 0).Number(L"b", 4294967296ull).Close(),
            L"{\"a\":0,\"b\":4294967296}");
}

TEST(Options, AreTheFirstWordsOnly) {
  struct Case {
    std::wstring tail;
    Mode mode;
    bool json;
    std::wstring entry;
    bool error;
  };
  const Case cases[] = {
      {L"OldApp ", Mode::kOneEntry, false, L"OldApp ", false},
      {L"/json  \t\"Old App\" ", Mode::kOneEntry, true, L"\"Old App\" ", false},
      {L"/ALL /Json", Mode::kAll, true, L"", false},
      {L"/all", Mode::kAll, false, L"", false},
      {L"/?", Mode::kUsage, false, L"", false},
      {L"Old /all", Mode::kOneEntry, false, L"Old /all", false},
      {L"/all OldApp", Mode::kAll, false, L"OldApp", true},
      {L"/x OldApp", Mode::kOneEntry, false, L"", true},
      {L"/jsonx", Mode::kOneEntry, false, L"", true},
      {L"/json\tOldApp", Mode::kOneEntry, true, L"OldApp", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.tail));
    const Options options = ParseOptions(c.tail);
    EXPECT_EQ(options.mode, c.mode);
    EXPECT_EQ(options.json, c.json);
    EXPECT_EQ(!options.error.empty(), c.error);
    EXPECT_EQ(options.entry, c.error ? options.entry : c.entry);
  }
}

class CheckTest : public ::testing::Test {
 protected:
  CheckTest() {
    os_.AddUninstallValue(L"OldApp", "C:\\W\\UNWISE.EXE C:\\L.TXT");
    auto& values = os_.keys[fake::UninstallKey(L"OldApp")];
    values[L"DisplayName"] = fake::TextValue(L"Old App \x00e9");
    values[L"DisplayVersion"] = fake::TextValue(L"1.0");
    values[L"Publisher"] = fake::TextValue(L"Wise");
    os_.normal_files = {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"};
    os_.folders.insert(L"C:\\X");
  }
  int Run(const std::wstring& tail) {
    const int code = RunCheck(os_.check(), tail);
    EXPECT_TRUE(os_.launches.empty()) << "the check starts nothing";
    EXPECT_EQ(os_.open_handles, 0);
    return code;
  }
  nlohmann::json Json() { return nlohmann::json::parse(Narrow(os_.out.text)); }

  FakePlatform os_;
};

TEST_F(CheckTest, SaysTheVerdictWithItsExitCodeAndWhatWouldStart) {
  struct Case {
    std::wstring tail;
    int code;
    const char* verdict;
  };
  const Case cases[] = {
      {L"OldApp", 0, "would-launch"},
      {L"x", 10, "name-too-short"},
      {L"NoLog", 15, "log-missing"},
  };
  os_.AddUninstallValue(L"NoLog", "C:\\W\\UNWISE.EXE C:\\X.TXT");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.verdict);
    os_.out.text.clear();
    EXPECT_EQ(Run(L"/json " + c.tail), c.code);
    const auto json = Json();
    EXPECT_EQ(json["verdict"], c.verdict);
    EXPECT_EQ(json["exitCode"], c.code);
    EXPECT_EQ(json["view"], "32-bit");
    EXPECT_EQ(json["readByTarnweld"], true);
    EXPECT_EQ(json["commandLine"].is_null(), c.code != 0);
    EXPECT_FALSE(json["detail"].get<std::string>().empty());
    os_.out.text.clear();
    EXPECT_EQ(Run(c.tail), c.code);
    const std::string text = Narrow(os_.out.text);
    EXPECT_THAT(text, HasSubstr("Verdict: " + std::string(c.verdict) + " (exit code " +
                                std::to_string(c.code) + "). "));
    EXPECT_EQ(text.find("Tarnweld.exe would start: C:\\W\\UNWISE.EXE /a C:\\L.TXT\n") !=
                  std::string::npos,
              c.code == 0);
  }
  // Only files found are read for their SHA-256.
  EXPECT_THAT(os_.digested, Not(Contains(L"C:\\X.TXT")));
}

TEST_F(CheckTest, HintsWhereTheDataAllowAndNowhereElse) {
  os_.other_view_keys[fake::UninstallKey(L"Other")] = os_.keys[fake::UninstallKey(L"OldApp")];
  os_.AddUninstallValue(L"Shared", "C:\\WINDOWS\\UNWISE.EXE C:\\L.TXT");
  os_.AddUninstallValue(L"SharedGone", "C:\\WINDOWS\\UNWISE32.EXE C:\\L.TXT");
  os_.AddUninstallValue(L"\" \"", "C:\\W\\UNWISE.EXE C:\\L.TXT");
  os_.normal_files.insert(L"C:\\WINDOWS\\UNWISE.EXE");
  os_.AddUninstallValue(L"LineFeeds", "C:\\W\\UNWISE.EXE \"C:\\O'Neil.TXT\"");
  os_.AddUninstallValue(L"Empty", "C:\\W\\UNWISE.EXE C:\\EMPTY.TXT");
  os_.normal_files.insert({L"C:\\O'Neil.TXT", L"C:\\EMPTY.TXT"});
  os_.contents[L"C:\\O'Neil.TXT"] = "Title: A\n";
  os_.contents[L"C:\\EMPTY.TXT"] = "";
  struct Case {
    std::wstring tail;
    std::vector<std::string> hints;
  };
  const Case cases[] = {
      {L"OldApp", {}},
      {L"Other",
       {"the entry [Other] is in the 64-bit view, which the 32-bit Tarnweld.exe does not read"}},
      {L"oldapp", {"no entry [oldapp]; an entry [OldApp] exists"}},
      {L"oldapp\t",
       {"no entry [oldapp<U+0009>] (note the trailing blank); an entry [OldApp] exists"}},
      {L" OldApp",
       {"no entry [ OldApp] (note the leading blank); an entry [OldApp] exists, and Tarnweld.exe "
        "uses it"}},
      {L"OldApq", {}},
      {L"OldApq ", {}},
      {L"OldApp ",
       {"no entry [OldApp ] (note the trailing blank); an entry [OldApp] exists, and Tarnweld.exe "
        "uses it"}},
      {L"\"oldapp\"",
       {"no entry [\"oldapp\"] (note the quotation marks); an entry [OldApp] exists"}},
      {L"\"\"", {}},
      {L"Shared",
       {"the uninstaller is the Windows folder's own, which several Wise installations share: it "
        "may come from whichever product was installed last, so its SHA-256 may differ between "
        "machines that have the same product"}},
      {L"SharedGone", {}},
      // A path's quotation mark doubled in PowerShell's own quotes.
      {L"LineFeeds",
       {"compare the log with a copy known to be good; then, as an administrator, this PowerShell "
        "line ends every line in CRLF and keeps every other byte: $p='C:\\O''Neil.TXT'; "
        "$e=[Text.Encoding]::GetEncoding(28591); [IO.File]::WriteAllText($p, "
        "([IO.File]::ReadAllText($p,$e) -replace \"\\r?\\n|\\r\", \"`r`n\"), $e)"}},
      {L"Empty", {"an empty log names nothing to remove: restore it from a copy known to be good"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.tail));
    os_.out.text.clear();
    Run(c.tail);
    std::vector<std::string> hints;
    const std::string text = Narrow(os_.out.text);
    for (std::size_t at = 0; (at = text.find("Hint: ", at)) != std::string::npos;) {
      const std::size_t end = text.find('\n', at);
      hints.push_back(text.substr(at + 6, end - at - 6));
      at = end;
    }
    EXPECT_EQ(hints, c.hints);
  }
  // Only files found are read for their SHA-256.
  EXPECT_THAT(os_.digested, Not(Contains(L"C:\\WINDOWS\\UNWISE32.EXE")));
}

TEST_F(CheckTest, OrdersFoundWantingAreMendedEachByItsOwnLines) {
  os_.contents[L"C:\\L.TXT"] =
      "Shell Link: C:\\OPEN2\\A.LNK\r\nExecute path: C:\\OPEN\\SETUP.EXE\r\n"
      "RegDB Tree: Software\\Open\r\nRegDB Root: 2\r\nFile Copy: Q:\\A\\B.TXT\r\n";
  os_.normal_files.insert(L"C:\\OPEN\\SETUP.EXE");
  const auto open =
      fake::Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-1-0", 0x6}});
  os_.security[L"C:\\OPEN"] = open;
  os_.security[L"C:\\OPEN2"] = open;
  os_.log_keys[L"HKLM\\Software\\Open"] = open;
  os_.drives[L"Q:\\"] = platform::DriveKind::kRemovable;
  EXPECT_EQ(Run(L"OldApp"), 20);
  const std::string grant =
      "\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
      "*S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464:(OI)(CI)F "
      "*S-1-5-32-545:(OI)(CI)RX /remove:g *S-1-1-0\n";
  EXPECT_THAT(
      Narrow(os_.out.text),
      HasSubstr("as an administrator:\n  icacls \"C:\\OPEN2" + grant + "  icacls \"C:\\OPEN" +
                grant +
                "For line 3: make Administrators the owner of the key "
                "[HKLM\\Software\\Open] and let only Administrators, SYSTEM and "
                "TrustedInstaller change it (regedit, Permissions).\nFor line 5: no command "
                "here mends this (permissions cannot mend folder the uninstaller deletes in "
                "[Q:\\A], which is on a removable drive, not a fixed local disk).\n"));
}

TEST_F(CheckTest, ThePlanIsGivenWhereTheLogWasReadWhole) {
  struct Case {
    const char* what;
    fake::Change arrange;
    bool plan;
  };
  const Case cases[] = {
      {"read whole", [](FakePlatform&) {}, true},
      {"unreadable", [](FakePlatform& os) { os.read_error = 32; }, false},
      {"too large",
       [](FakePlatform& os) { os.contents[L"C:\\L.TXT"] = std::string((32u << 20) + 1, 'x'); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.StartOnEntry(std::string("C:\\W\\UNWISE.EXE C:\\L.TXT") + '\0',
                    {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    c.arrange(os);
    RunCheck(os.check(), L"/json OldApp");
    const auto json = nlohmann::json::parse(Narrow(os.out.text));
    EXPECT_EQ(json["plan"].is_array(), c.plan);
    EXPECT_EQ(json["notUnderstood"].is_number(), c.plan);
    os.out.text.clear();
    RunCheck(os.check(), L"OldApp");
    EXPECT_EQ(Narrow(os.out.text).find("What the uninstaller will do") != std::string::npos,
              c.plan);
    EXPECT_EQ(Narrow(os.out.text).find("Installation:"), std::string::npos) << "no DisplayName";
    EXPECT_EQ(Narrow(os.out.text).find("runs no uninstaller on a log it cannot judge whole") !=
                  std::string::npos,
              !c.plan);
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST_F(CheckTest, UntrustedFilesSayWhoMayChangeThemWarnAndMendExactlyThat) {
  os_.security[L"C:\\W"] = fake::Owned(L"S-1-5-21-9-9-9-1200", {{L"S-1-5-11", 0x1301BF}});
  os_.security[L"C:\\W"].entries.push_back(
      {platform::EntryKind::kAllow, false, 0x1200A9, L"S-1-1-0", false, {}});
  os_.security[L"C:\\W\\UNWISE.EXE"] = fake::Owned(L"S-1-5-32-544", {{L"S-1-5-32-545", 0x2}});
  os_.account_names[L"S-1-5-11"] = L"Authenticated Users";
  os_.digests[L"C:\\W\\UNWISE.EXE"] = std::wstring(64, L'5');
  EXPECT_EQ(Run(L"OldApp"), 16);
  const std::string text = Narrow(os_.out.text);
  EXPECT_THAT(text, HasSubstr("uninstaller folder [C:\\W]: Authenticated Users (S-1-5-11) may "
                              "add files, add subfolders, delete\n"));
  EXPECT_THAT(text, HasSubstr("  uninstaller [C:\\W\\UNWISE.EXE]: not read for its SHA-256: others "
                              "could change a folder on the way to it, so what is read there need "
                              "not be what Tarnweld.exe would use\n"));
  // Found below an open folder, the file is still judged and mended, not
  // read; the mending's own lines are tested with it.
  const std::size_t warning =
      text.find("Mending the permissions does not make these files trustworthy");
  EXPECT_LT(warning, text.find("  icacls \"C:\\W\" /setowner *S-1-5-32-544\n"));
  EXPECT_LT(warning, text.find("  icacls \"C:\\W\\UNWISE.EXE\" /reset\n"));
  os_.out.text.clear();
  EXPECT_EQ(Run(L"/json OldApp"), 16);
  auto json = Json();
  ASSERT_EQ(json["untrusted"].size(), 3u);
  EXPECT_EQ(json["untrusted"][1],
            (nlohmann::json{{"path", "C:\\W"},
                            {"principal", "Authenticated Users"},
                            {"sid", "S-1-5-11"},
                            {"rights", "may add files, add subfolders, delete"}}));
  EXPECT_EQ(json["untrusted"][2]["path"], "C:\\W\\UNWISE.EXE");
  EXPECT_TRUE(json["uninstallerSha256"].is_null());
  EXPECT_TRUE(json["logSha256"].is_null()) << "the log was not looked at";

  // The log's own file, whose folder is the drive's root: no line, but its hash.
  os_.security.clear();
  os_.security[L"C:\\L.TXT"] = fake::Owned(L"S-1-5-32-544", {{L"S-1-1-0", 0x10000000}});
  os_.out.text.clear();
  EXPECT_EQ(Run(L"OldApp"), 17);
  EXPECT_THAT(Narrow(os_.out.text), HasSubstr("log [C:\\L.TXT]: S-1-1-0 may write, append, "
                                              "delete, change permissions, take ownership"));
  EXPECT_THAT(Narrow(os_.out.text), HasSubstr("No command here mends this (a line would change the "
                                              "permissions of [C:\\]"));
  EXPECT_THAT(Narrow(os_.out.text), HasSubstr("log [C:\\L.TXT]: SHA-256 "));

  // Never a line that cannot help, nor a hash of what is not a local file
  // below folders only administrators can change.
  struct Case {
    const char* what;
    fake::Change change;
    bool hashed;
    bool mended = false;
    bool said_not_hashed = false;  // below a folder others could change
  };
  const auto uninstaller = [](platform::SecurityRead read) {
    return [=](FakePlatform& os) { os.security[L"C:\\W\\UNWISE.EXE"] = read; };
  };
  platform::SecurityRead link = fake::Owned(L"S-1-5-32-544", {});
  link.link = true;
  const Case cases[] = {
      {"an open root", [](FakePlatform& os) { os.security[L"C:\\"] = fake::Owned(L"S-1-1-0", {}); },
       false, false, true},
      {"an open file", uninstaller(fake::Owned(L"S-1-5-32-544", {{L"S-1-1-0", 0x2}})), true, true},
      {"a removable drive",
       [](FakePlatform& os) { os.drives[L"C:\\"] = platform::DriveKind::kRemovable; }, false},
      {"a link", uninstaller(link), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os_.security.clear();
    os_.drives.clear();
    os_.digested.clear();
    c.change(os_);
    os_.out.text.clear();
    EXPECT_EQ(Run(L"/json OldApp"), 16);
    EXPECT_EQ(Json()["uninstallerSha256"].is_null(), !c.hashed);
    EXPECT_EQ(os_.digested.empty(), !c.hashed);
    os_.out.text.clear();
    EXPECT_EQ(Run(L"OldApp"), 16);
    EXPECT_EQ(Narrow(os_.out.text).find("icacls") != std::string::npos, c.mended);
    EXPECT_EQ(Narrow(os_.out.text).find("No command here mends this") != std::string::npos,
              !c.mended);
    EXPECT_EQ(Narrow(os_.out.text).find("not read for its SHA-256") != std::string::npos,
              c.said_not_hashed);
  }

  os_.security.clear();
  os_.drives.clear();
  os_.out.text.clear();
  EXPECT_EQ(Run(L"/json\tOldApp"), 0);
  json = Json();
  EXPECT_TRUE(json["untrusted"].is_array() && json["untrusted"].empty());
  EXPECT_FALSE(json["uninstallerSha256"].is_null());
  EXPECT_FALSE(json["logSha256"].is_null());
}

TEST_F(CheckTest, ShowsWhatTheUninstallerWillDoAndWhichOrderReachesWhatOthersControl) {
  std::string log = "Execute path: C:\\APP\\GONE.EXE\r\nFile Copy: C:\\APP\\GONE.EXE\r\n";
  for (int i = 1; i <= 21; ++i) log += "File Copy: C:\\APP\\F" + std::to_string(i) + ".DLL | 1\r\n";
  for (int i = 1; i <= 6; ++i) log += "Odd " + std::to_string(i) + "\r\n";
  log +=
      "RegDB Key: Software\\Old\r\nRegDB Old: 1\r\nRegDB Root: 2\r\n"
      "Execute path: C:\\OPEN\\SETUP.EXE /U\r\n";
  os_.contents[L"C:\\L.TXT"] = log;
  os_.normal_files.insert({L"C:\\APP\\GONE.EXE", L"C:\\OPEN\\SETUP.EXE"});
  os_.security[L"C:\\OPEN"] =
      fake::Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-1-0", 0x2}});
  os_.log_keys[L"HKLM\\Software\\Old"] = fake::Owned(L"S-1-5-32-544", {});

  EXPECT_EQ(Run(L"/json OldApp"), 20);
  auto json = Json();
  EXPECT_EQ(json["verdict"], "log-orders-untrusted");
  EXPECT_EQ(json["notUnderstood"], 6);
  const auto& plan = json["plan"];
  ASSERT_EQ(plan.size(), 25u);
  EXPECT_EQ(plan[0], nlohmann::json::parse(
                         R"({"line": 33, "kind": "run", "path": "C:\\OPEN\\SETUP.EXE /U"})"));
  EXPECT_EQ(plan[1], nlohmann::json::parse(R"({"line": 30, "kind": "registry", "path": )"
                                           R"("Software\\Old", "root": "HKLM", "name": "", )"
                                           R"("restore": true})"));
  EXPECT_EQ(plan[23],
            nlohmann::json::parse(R"({"line": 2, "kind": "file", "path": "C:\\APP\\GONE.EXE"})"));
  EXPECT_EQ(plan[24]["deletedBy"], 2);
  EXPECT_EQ(
      json["untrusted"],
      nlohmann::json::parse(R"([{"line": 33, "kind": "run", "order": )"
                            R"("C:\\OPEN\\SETUP.EXE /U", "path": "C:\\OPEN", )"
                            R"("principal": null, "sid": "S-1-1-0", "rights": "may add files"}])"));

  os_.out.text.clear();
  EXPECT_EQ(Run(L"OldApp"), 20);
  const std::string text = Narrow(os_.out.text);
  EXPECT_THAT(text, HasSubstr("log [C:\\L.TXT]: 33 lines, 25 orders, 6 lines not understood"));
  // The plan's headings and how many of each are listed are tested with it.
  EXPECT_THAT(text, HasSubstr("What the uninstaller will do, from the log's last line up (25 "
                              "orders):\n  2 run (run, and waited for):\n    line 33 "
                              "[C:\\OPEN\\SETUP.EXE /U]\n    line 1 [C:\\APP\\GONE.EXE], already "
                              "deleted by line 2 when it runs\n"));
  EXPECT_THAT(text, HasSubstr("    line 30 [HKLM\\Software\\Old], its default value, its old "
                              "value written back\n"));

  os_.out.text.clear();
  EXPECT_EQ(Run(L"/all /json"), 0);
  EXPECT_EQ(Json()[0]["planCounts"],
            nlohmann::json::parse(
                R"({"run": 2, "self-register": 0, "file": 22, "overwritten": 0, )"
                R"("kept": 0, "not-copied": 0, "link": 0, "tree": 0, "folder": 0, "registry": 1, )"
                R"("registry-tree": 0})"));
  EXPECT_TRUE(Json()[0]["plan"].is_null());
  os_.out.text.clear();
  EXPECT_EQ(Run(L"/all"), 0);
  const std::string all = Narrow(os_.out.text);
  EXPECT_THAT(all, HasSubstr("  the log orders: 2 run, 22 file, 1 registry\n"));
  EXPECT_THAT(all, HasSubstr("[OldApp] in the 32-bit view: log-orders-untrusted\n  Old App ? 1.0 "
                             "(Wise)\n"));
  EXPECT_THAT(all, HasSubstr("\n  uninstaller SHA-256 "));
  EXPECT_THAT(all, HasSubstr("\n  log line 33, run [C:\\OPEN\\SETUP.EXE /U]: "));
  EXPECT_THAT(all, HasSubstr("\n1 Wise installation found.\n"));

  // The plan of a log others could have changed is shown; nothing is judged in it.
  os_.security[L"C:\\L.TXT"] = os_.security[L"C:\\OPEN"];
  os_.out.text.clear();
  EXPECT_EQ(Run(L"/json OldApp"), 17);
  EXPECT_EQ(Json()["plan"].size(), 25u);
  EXPECT_EQ(Json()["untrusted"][0]["path"], "C:\\L.TXT");
  os_.out.text.clear();
  EXPECT_EQ(Run(L"OldApp"), 17);
  EXPECT_THAT(Narrow(os_.out.text), HasSubstr("What the uninstaller will do"));
  EXPECT_THAT(Narrow(os_.out.text), Not(HasSubstr("log orders:")));

  // Permissions mend no junction: words, never a line that would follow it.
  os_.security.erase(L"C:\\L.TXT");
  os_.contents[L"C:\\L.TXT"] = "File Tree: C:\\APP\\DATA\\\r\n";
  os_.subfolders[L"C:\\APP\\DATA"] = {{L"LINK", true}};
  os_.out.text.clear();
  EXPECT_EQ(Run(L"OldApp"), 20);
  EXPECT_THAT(Narrow(os_.out.text),
              HasSubstr("For line 1: no command here mends this (permissions cannot mend folder "
                        "inside a deleted tree [C:\\APP\\DATA\\LINK]"));
  EXPECT_THAT(Narrow(os_.out.text), Not(HasSubstr("icacls")));
}

TEST(PlanText, ShowsTheFirst20OfEachKindEveryProgramAndTheFirst5LinesNotUnderstood) {
  struct Case {
    wise_log::OrderKind kind;
    std::size_t orders, not_understood;
    std::string kind_heading, not_understood_heading;
    std::size_t shown;  // order and line lines listed
  };
  const Case cases[] = {
      {wise_log::OrderKind::kFile, 20, 5, "20 file (deleted):", "5 lines not understood:", 25},
      {wise_log::OrderKind::kFile, 21, 6,
       "21 file (deleted), the first 20:", "6 lines not understood, the first 5:", 25},
      {wise_log::OrderKind::kRun, 21, 1,
       "21 run (run, and waited for):", "1 line not understood:", 22},
      {wise_log::OrderKind::kNotCopied, 1, 1,
       "1 not-copied (not copied, a newer one there; the uninstaller may leave it, judged as "
       "deleted):",
       "1 line not understood:", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind_heading);
    LogPlan plan;
    for (std::size_t i = 1; i <= c.orders; ++i)
      plan.plan.push_back({{i, c.kind, L"x", {}, {}}, {}});
    for (std::size_t i = 1; i <= c.not_understood; ++i)
      plan.log.not_understood.push_back({i, L"x"});
    const std::string text = Narrow(PlanText(plan));
    EXPECT_THAT(text, HasSubstr("  " + c.kind_heading + "\n"));
    EXPECT_THAT(text, HasSubstr("  " + c.not_understood_heading + "\n"));
    std::size_t listed = 0;
    for (std::size_t at = 0; (at = text.find("    line ", at)) != std::string::npos; ++at) ++listed;
    EXPECT_EQ(listed, c.shown);
  }
}

TEST_F(CheckTest, InventoryListsWiseEntriesOfBothViews) {
  os_.AddUninstallValue(L"NotWise", "MsiExec.exe /X{1}");
  os_.AddUninstallValue(L"Wise32", "C:\\W\\unwise32.exe C:\\X.TXT");
  os_.other_view_keys[fake::UninstallKey(L"Other")] = os_.keys[fake::UninstallKey(L"OldApp")];
  os_.AddUninstallValue(L" Lead", "C:\\W\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(Run(L"/all /json"), 0);
  const auto json = Json();
  std::vector<std::string> listed;
  for (const auto& entry : json) {
    listed.push_back(entry["entry"].get<std::string>() + " " + entry["view"].get<std::string>() +
                     " " + entry["verdict"].get<std::string>() +
                     (entry["readByTarnweld"] ? "" : ", not read") + " " + entry["hints"].dump());
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        " Lead 32-bit would-launch [\"the name starts with a blank, which no "
                        "command line passes on\"]",
                        "OldApp 32-bit would-launch []", "Wise32 32-bit uninstaller-missing []",
                        "Other 64-bit would-launch, not read [\"this entry is in the 64-bit view, "
                        "which the 32-bit Tarnweld.exe does not read\"]"}));
  EXPECT_EQ(json[1]["displayName"], "Old App \xc3\xa9");
  EXPECT_EQ(json[1]["publisher"], "Wise");
  // Each folder's security read once in the run, however many entries meet it.
  std::vector<std::wstring> reads = os_.security_reads;
  std::sort(reads.begin(), reads.end());
  EXPECT_EQ(std::adjacent_find(reads.begin(), reads.end()), reads.end());
  EXPECT_EQ(std::count(reads.begin(), reads.end(), L"C:\\W"), 1);
  EXPECT_EQ(os_.drives_asked, 1) << "every path is on C:";
  // Of the entries it does not list, the command alone is read.
  EXPECT_EQ(std::count(os_.events.begin(), os_.events.end(), "query DisplayName"), 4);
  const auto security_of = [&](const wchar_t* name) {
    return std::count(os_.events.begin(), os_.events.end(),
                      "key security " + Narrow(fake::UninstallKey(name)));
  };
  EXPECT_EQ(security_of(L"NotWise"), 0);
  EXPECT_EQ(security_of(L"Wise32"), 1);
  // Each entry opened once, to see whether it is Wise's and to decide.
  for (const wchar_t* name : {L"NotWise", L"OldApp", L"Wise32", L"Other"}) {
    EXPECT_EQ(
        std::count(os_.opened_paths.begin(), os_.opened_paths.end(), fake::UninstallKey(name)), 1)
        << Narrow(name);
  }
}

// 0 where all was said and the verdict allows, 1 where something could not
// be listed or written, 2 for options not understood.
TEST(CheckExitCode, SaysWhetherAllWasSaid) {
  struct Case {
    std::wstring tail;
    long listing_status;  // kRegSuccess: the key is there
    bool output_fails;
    int code;
    const char* error;  // on standard error
  };
  const Case cases[] = {
      {L"/all", platform::kRegSuccess, false, 0, ""},
      // A view that never had a program of its bitness has no Uninstall key.
      {L"/all", platform::kRegFileNotFound, false, 0, ""},
      {L"/all", platform::kRegAccessDenied, false, 1,
       "TarnweldCheck: the 32-bit uninstall key cannot be listed (error 5)\n"},
      {L"/all", platform::kRegSuccess, true, 1, ""},
      {L"OldApp", platform::kRegSuccess, true, 1, ""},
      {L"/?", platform::kRegSuccess, false, 0, ""},
      {L"/?", platform::kRegSuccess, true, 1, ""},
      {L"/remove OldApp", platform::kRegSuccess, false, 2,
       "TarnweldCheck: unknown option [/remove]\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.tail) + (c.output_fails ? ", output fails" : ""));
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    os.listing_status = c.listing_status;
    os.out.fails = c.output_fails;
    EXPECT_EQ(RunCheck(os.check(), c.tail), c.code);
    EXPECT_EQ(Narrow(os.err.text).substr(0, std::strlen(c.error)), c.error);
    EXPECT_EQ(os.err.text.empty(), *c.error == '\0');
    if (c.tail == L"/all" && c.code == 0 && c.listing_status == 0) {
      EXPECT_THAT(Narrow(os.out.text), HasSubstr("[OldApp] in the 32-bit view"));
    }
    EXPECT_EQ(os.open_handles, 0);
  }
  FakePlatform os;
  EXPECT_EQ(RunCheck(os.check(), L"/?"), 0);
  EXPECT_THAT(Narrow(os.out.text), HasSubstr("named /all) cannot be checked"));
}

}  // namespace
}  // namespace tarnweld::check
