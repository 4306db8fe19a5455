#include "decide/log_orders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "core/text.h"
#include "decide/decision.h"
#include "tests/facts.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::All;
using fake::Fact;
using fake::FakePlatform;
using fake::Narrow;
using platform::SecurityRead;
using ::testing::Contains;
using ::testing::Not;
using trust::Role;
namespace rights = trust::rights;

constexpr wchar_t kLog[] = L"C:\\APP\\INSTALL.LOG";
constexpr wchar_t kAdmins[] = L"S-1-5-32-544";
constexpr wchar_t kEveryone[] = L"S-1-1-0";

SecurityRead EveryoneMay(std::uint32_t mask) {
  return fake::Owned(kAdmins, {{kAdmins, rights::kGenericAll}, {kEveryone, mask}});
}

// An uninstaller whose log holds `log`, read in code page 1252 or 932:
// written here with line feeds alone, stored with CRLF as the uninstaller
// reads it.
void Arrange(FakePlatform& os, const std::string& log) {
  os.StartOnEntry(std::string("C:\\WINDOWS\\UNWISE.EXE ") + Narrow(kLog) + '\0',
                  {L"C:\\WINDOWS\\UNWISE.EXE", kLog});
  std::string& stored = os.contents[kLog];
  stored.reserve(log.size());
  for (const char c : log) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
}

// What Everyone may do to an order's object, and what else refuses one.
Fact Open(std::size_t line, Role role, const wchar_t* path, std::uint32_t mask) {
  return {line, role, path, kEveryone, mask};
}
Fact Refused(std::size_t line, const wchar_t* path, const wchar_t* why) {
  return {line, Role::kFile, path, L"", 0, why};
}

// Why the log was refused, its first finding, or its bound or read's error;
// none: it would launch.
std::optional<Fact> Why(const Decision& decision) {
  if (decision.verdict == Verdict::kWouldLaunch) return std::nullopt;
  if (decision.verdict == Verdict::kLogRejected) {
    return Refused(decision.plan->line_end_fault->line, L"rejected",
                   LineEndWords(*decision.plan->line_end_fault).c_str());
  }
  EXPECT_EQ(decision.verdict, Verdict::kLogOrdersUntrusted);
  if (!decision.plan) return Refused(0, L"", L"no plan");
  const LogPlan& plan = *decision.plan;
  if (plan.bound != LogBound::kNone) return Refused(0, L"", BoundWords(plan.bound).c_str());
  if (plan.read_error != 0) return Refused(0, L"", text::ErrorText(plan.read_error).c_str());
  return fake::FactOf(plan.findings.at(0).finding, plan.findings.at(0).line);
}

TEST(LogOrders, NothingTheLogOrdersReachesWhatOthersControl) {
  struct Case {
    const char* what;
    std::string log;
    std::function<void(FakePlatform&)> arrange;
    std::optional<Fact> why;  // none: launched
  };
  const auto open = [](const wchar_t* path, std::uint32_t mask) {
    return [=](FakePlatform& os) { os.security[path] = EveryoneMay(mask); };
  };
  // `program` exists, and Everyone may change `path` with `mask`.
  const auto program_in = [](const wchar_t* program, const wchar_t* path, std::uint32_t mask) {
    return [=](FakePlatform& os) {
      os.normal_files.insert(program);
      os.security[path] = EveryoneMay(mask);
    };
  };
  const auto files = [](std::vector<const wchar_t*> paths) {
    return [=](FakePlatform& os) { os.normal_files.insert(paths.begin(), paths.end()); };
  };
  const auto folder = [](const wchar_t* path) {
    return [=](FakePlatform& os) { os.folders.insert(path); };
  };
  const auto kind = [](const wchar_t* path, platform::FileKind kind) {
    return [=](FakePlatform& os) { os.other_files[path] = kind; };
  };
  const auto missing = [](const wchar_t* path) {
    return [=](FakePlatform& os) { os.missing_folders.insert(path); };
  };
  const auto sub = [](const wchar_t* folder, const wchar_t* name, bool link = false) {
    return [=](FakePlatform& os) { os.subfolders[folder].push_back({name, link}); };
  };
  // C:\APP\DATA holds `count` folders.
  const auto crowded = [](int count) {
    return [=](FakePlatform& os) {
      auto& inside = os.subfolders[L"C:\\APP\\DATA"];
      for (int i = 0; i < count; ++i) inside.push_back({L"F" + std::to_wstring(i), false});
    };
  };
  const auto key = [](const wchar_t* path, bool link) {
    return [=](FakePlatform& os) {
      os.log_keys[path] = fake::Owned(kAdmins, {});
      os.log_keys[path].link = link;
    };
  };
  const auto stored = [](const char* bytes) {
    return [=](FakePlatform& os) { os.contents[kLog] = bytes; };
  };
  const auto old_key_open = [](std::uint32_t mask) {
    return [=](FakePlatform& os) { os.log_keys[L"HKLM\\Software\\Old"] = EveryoneMay(mask); };
  };
  const Case cases[] = {
      {"every kind, all of it the administrators' own",
       "Made Dir: C:\\APP\\DATA\nFile Copy: C:\\APP\\A.EXE | 1\nShell Link: C:\\APP\\A.LNK\n"
       "Execute path: C:\\APP\\SETUP.EXE /U\nFile Tree: C:\\APP\\DATA\\\n"
       "RegDB Key: Software\\Old\nRegDB Old: 1\nRegDB Root: 2\nRegDB Tree: Software\\Gone\n"
       "RegDB Root: 2\nSelf-Register: C:\\APP\\X.OCX \nFile Copy: C:\\WINDOWS\\SYSTEM\\K.DLL\n"
       "RegDB Key: Software\\Old\\Sub\nRegDB Val: 1\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.normal_files.insert({L"C:\\APP\\SETUP.EXE", L"C:\\APP\\X.OCX"});
         os.folders.insert(L"C:\\WINDOWS\\SYSTEM");
         os.log_keys[L"HKLM\\Software\\Old"] = fake::Owned(kAdmins, {});
         os.subfolders[L"C:\\APP\\DATA"] = {{L"SUB", false}};
       },
       std::nullopt},
      {"a program in a folder others can change", "Execute path: C:\\OPEN\\SETUP.EXE /U\n",
       program_in(L"C:\\OPEN\\SETUP.EXE", L"C:\\OPEN", rights::kWriteData),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kWriteData)},
      // Named with a space after it, it is the file Windows opens without one.
      {"a self-registered DLL there", "Self-Register: C:\\OPEN\\X.DLL \n",
       program_in(L"C:\\OPEN\\X.DLL", L"C:\\OPEN\\X.DLL", rights::kWriteData),
       Open(1, Role::kFile, L"C:\\OPEN\\X.DLL", rights::kWriteData)},
      {"rundll32 given such a DLL",
       "Execute path: C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE C:\\OPEN\\X.DLL,Entry\n",
       All({files({L"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE", L"C:\\OPEN\\X.DLL"}),
            open(L"C:\\OPEN", rights::kAppendData)}),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kAppendData)},
      {"a program the system would search for", "Execute path: rundll32 C:\\APP\\X.DLL,Entry\n",
       nullptr,
       Refused(1, L"rundll32.exe",
               L"is not a fully qualified path (X:\\... or \\\\server\\share\\...)")},
      {"unquoted with blanks, where users may only make folders in the root",
       "Execute path: C:\\Program Files\\ACD\\ACDSee.exe /uninstall\n",
       program_in(L"C:\\Program Files\\ACD\\ACDSee.exe", L"C:\\", rights::kAppendData),
       std::nullopt},
      {"unquoted with blanks, where users may put C:\\Program.exe",
       "Execute path: C:\\Program Files\\ACD\\ACDSee.exe /uninstall\n",
       program_in(L"C:\\Program Files\\ACD\\ACDSee.exe", L"C:\\", rights::kWriteData),
       Open(1, Role::kNearestForFile, L"C:\\", rights::kWriteData)},
      {"a tree with a subfolder others can change", "File Tree: C:\\APP\\DATA\\*.*\n",
       All({sub(L"C:\\APP\\DATA", L"SUB"), open(L"C:\\APP\\DATA\\SUB", rights::kAppendData)}),
       Open(1, Role::kProgramFolder, L"C:\\APP\\DATA\\SUB", rights::kAppendData)},
      {"a tree with a junction inside", "File Tree: C:\\APP\\DATA\\\n",
       All({sub(L"C:\\APP\\DATA", L"SUB"), sub(L"C:\\APP\\DATA\\SUB", L"LINK", true)}),
       Refused(1, L"C:\\APP\\DATA\\SUB\\LINK",
               L"is a junction or symbolic link inside a tree the uninstaller deletes")},
      {"a tree whose pattern no subfolder matches", "File Tree: C:\\APP\\DATA\\*.LOG\n",
       sub(L"C:\\APP\\DATA", L"LINK", true), std::nullopt},
      {"an order on a missing drive", "File Copy: Q:\\A\\B.TXT\n",
       [](FakePlatform& os) { os.drives[L"Q:\\"] = platform::DriveKind::kMissing; },
       Refused(1, L"Q:\\A",
               L"is on a drive that does not exist, whose letter a removable disk could take")},
      {"a deletion in a folder others could turn into a junction", "Shell Link: C:\\OPEN\\A.LNK\n",
       open(L"C:\\OPEN", rights::kAppendData),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kAppendData)},
      {"a file not copied there", "Version: Following file not copied.\n File Copy: C:\\OPEN\\A.DLL\n",
       open(L"C:\\OPEN", rights::kAppendData),
       Open(2, Role::kProgramFolder, L"C:\\OPEN", rights::kAppendData)},
      {"a removed folder below one others can empty", "Made Dir: C:\\OPEN\\SUB\n",
       open(L"C:\\OPEN", rights::kDeleteChild),
       Open(1, Role::kAbove, L"C:\\OPEN", rights::kDeleteChild)},
      {"a program whose folder an earlier order deleted",
       "Execute path: C:\\APP\\BIN\\SETUP.EXE\nFile Tree: C:\\APP\\BIN\\\n",
       program_in(L"C:\\APP\\BIN\\SETUP.EXE", L"C:\\APP", rights::kAppendData),
       Open(1, Role::kNearestForFolder, L"C:\\APP", rights::kAppendData)},
      {"the same program, its folder still there when it runs",
       "File Tree: C:\\APP\\BIN\\\nExecute path: C:\\APP\\BIN\\SETUP.EXE\n",
       program_in(L"C:\\APP\\BIN\\SETUP.EXE", L"C:\\APP", rights::kAppendData), std::nullopt},
      {"a restore under a key others control",
       "RegDB Key: Software\\Old\nRegDB Val: 1\nRegDB Old: 0\nRegDB Root: 2\n",
       old_key_open(rights::kKeySetValue),
       Open(1, Role::kOrderKey, L"HKLM\\Software\\Old", rights::kKeySetValue)},
      {"a deleted key missing below one others may link",
       "RegDB Tree: Software\\Old\\Sub\nRegDB Root: 2\n", old_key_open(rights::kKeyCreateLink),
       Open(1, Role::kOrderKey, L"HKLM\\Software\\Old", rights::kKeyCreateLink)},
      {"a value deleted, not restored, under such a key",
       "RegDB Key: Software\\Old\nRegDB Val: 1\nRegDB Root: 2\n",
       old_key_open(rights::kKeySetValue),
       Open(1, Role::kOrderKey, L"HKLM\\Software\\Old", rights::kKeySetValue)},
      {"a key that is a link, its own security the administrators'",
       "RegDB Tree: Software\\Old\nRegDB Root: 2\n", key(L"HKLM\\Software\\Old", true),
       Fact{1, Role::kOrderKey, L"HKLM\\Software\\Old", L"", 0,
            L"is a registry link, whose target is not judged"}},
      {"a link on the way to the key", "RegDB Key: Software\\Link\\Sub\nRegDB Root: 2\n",
       All({key(L"HKLM\\Software\\Link", true), key(L"HKLM\\Software\\Link\\Sub", false)}),
       Fact{1, Role::kOrderKey, L"HKLM\\Software\\Link", L"", 0,
            L"is a registry link, whose target is not judged"}},
      {"a program in a folder an earlier order removes",
       "Execute path: C:\\OLDAPP\\SETUP.EXE\nMade Dir: C:\\OLDAPP\n",
       program_in(L"C:\\OLDAPP\\SETUP.EXE", L"C:\\", rights::kAppendData),
       Open(1, Role::kNearestForFolder, L"C:\\", rights::kAppendData)},
      {"the same program, run before its folder is removed",
       "Made Dir: C:\\OLDAPP\nExecute path: C:\\OLDAPP\\SETUP.EXE\n",
       program_in(L"C:\\OLDAPP\\SETUP.EXE", L"C:\\", rights::kAppendData), std::nullopt},
      {"a removed folder written with a backslash", "Made Dir: C:\\OPEN\\SUB\\\n",
       open(L"C:\\OPEN", rights::kDeleteChild),
       Open(1, Role::kAbove, L"C:\\OPEN", rights::kDeleteChild)},
      {"a removed folder with no folder above it", "Made Dir: C:\\\n", nullptr,
       Refused(1, L"C:\\", L"is not a folder in a folder on a local drive")},
      {"a file in a folder whose name ends in a space", "Self-Register: C:\\A \\B.OCX\n", nullptr,
       Refused(1, L"C:\\A \\B.OCX",
               L"is a path with a name that ends in a space or a dot, which Windows reads as "
               L"another path")},
      // One reading among others, judged as Windows resolves it: "C:\A " is a folder.
      {"a later reading in a folder named so, that users may make", "Execute path: C:\\A \\B.EXE\n",
       All({missing(L"C:\\A "), open(L"C:\\", rights::kAppendData)}),
       Open(1, Role::kNearestForFolder, L"C:\\", rights::kAppendData)},
      {"a line not understood that names a program", "Delete File: C:\\OPEN\\X.EXE\n",
       program_in(L"C:\\OPEN\\X.EXE", L"C:\\OPEN", rights::kWriteData),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kWriteData)},
      {"bytes that do not decode", "File Copy: C:\\APP\\\x81\n",
       [](FakePlatform& os) { os.double_byte = true; },
       Refused(1, L"", L"holds bytes the system's code page does not decode")},
      {"a log that cannot be read", "", [](FakePlatform& os) { os.read_error = 32; },
       Refused(0, L"", L"error 32")},
      // Line ends the uninstaller rejects, at a message box: nothing is judged.
      {"a line feed alone", "", stored("Title: A\r\nExecute path: C:\\OPEN\\X.EXE\n"),
       Refused(2, L"rejected",
               L"UNWISE.EXE reads only CRLF line ends, and line 2 ends in a line feed alone")},
      {"a carriage return alone", "", stored("Title: A\rExecute path: C:\\OPEN\\X.EXE\r\n"),
       Refused(1, L"rejected",
               L"UNWISE.EXE reads only CRLF line ends, and line 1 ends in a carriage return alone")},
      {"an empty log", "", stored(""), Refused(0, L"rejected", L"UNWISE.EXE rejects an empty log")},
      {"the last line without an end", "", stored("Title: A\r\nTitle: B"), std::nullopt},
      {"each bound: bytes", std::string((std::size_t{32} << 20) + 1, 'x'), nullptr,
       Refused(0, L"", L"the log is larger than 32 MiB, more than is judged")},
      {"each bound: lines", std::string(500'001, '\n'), nullptr,
       Refused(0, L"", L"the log has more than 500,000 lines, more than are judged")},
      {"each bound: folders", "File Tree: C:\\APP\\DATA\\\n", crowded(20'000),
       Refused(0, L"", L"its orders reach more than 20,000 folders, more than are read")},
      {"each bound: time", "File Copy: C:\\APP\\A.TXT\nFile Copy: C:\\B\\B.TXT\n",
       [](FakePlatform& os) { os.read_ms = 60'001; },
       Refused(0, L"", L"judging its orders took more than 60 s")},
      {"each bound, reached and not passed: folders", "File Tree: C:\\APP\\DATA\\\n",
       crowded(19'999), std::nullopt},
      {"each bound, reached and not passed: time",
       "File Copy: C:\\APP\\A.TXT\nFile Copy: C:\\B\\B.TXT\n",
       [](FakePlatform& os) {
         os.read_ms = 60'000;
         os.folders.insert(L"C:\\B");
       },
       std::nullopt},
      {"a deletion in a folder missing now", "File Copy: C:\\OPEN\\GONE\\A.TXT\n",
       All({missing(L"C:\\OPEN\\GONE"), open(L"C:\\OPEN", rights::kAppendData)}),
       Open(1, Role::kNearestForFolder, L"C:\\OPEN", rights::kAppendData)},
      {"a deletion in a folder an earlier order deleted",
       "File Copy: C:\\APP\\BIN\\A.DLL\nFile Tree: C:\\APP\\BIN\\\n",
       All({folder(L"C:\\APP\\BIN"), open(L"C:\\APP", rights::kAppendData)}),
       Open(1, Role::kNearestForFolder, L"C:\\APP", rights::kAppendData)},
      {"a self-registered DLL named in quotation marks", "Self-Register: \"C:\\OPEN\\X.DLL\"\n",
       program_in(L"C:\\OPEN\\X.DLL", L"C:\\OPEN", rights::kWriteData),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kWriteData)},
      {"a tree that names a folder: its own folder and below", "File Tree: C:\\APP\\DATA\n",
       All({kind(L"C:\\APP\\DATA", platform::FileKind::kDirectory),
            open(L"C:\\APP", rights::kAppendData)}),
       std::nullopt},
      {"a tree that names a file: the folder that holds it", "File Tree: C:\\APP\\X.TXT\n",
       open(L"C:\\APP", rights::kAppendData),
       Open(1, Role::kProgramFolder, L"C:\\APP", rights::kAppendData)},
      {"a relative path", "File Copy: APP.EXE\n", nullptr,
       Refused(1, L"APP.EXE", L"is not a fully qualified path")},
      {"a tree's pattern reaches a folder, and all inside it", "File Tree: C:\\APP\\D*\n",
       All({sub(L"C:\\APP", L"DATA"), sub(L"C:\\APP", L"XTRA", true), sub(L"C:\\APP\\DATA", L"SUB"),
            open(L"C:\\APP\\DATA\\SUB", rights::kAppendData)}),
       Open(1, Role::kProgramFolder, L"C:\\APP\\DATA\\SUB", rights::kAppendData)},
      {"a key written with backslashes around it", "RegDB Tree: \\Software\\Old\\\nRegDB Root: 2\n",
       old_key_open(rights::kKeySetValue),
       Open(1, Role::kOrderKey, L"HKLM\\Software\\Old", rights::kKeySetValue)},
      {"a program named with a character no file name has", "Execute path: C:\\A<B.EXE\n", nullptr,
       Refused(
           1, L"C:\\A<B.EXE",
           L"is a path with a wildcard, a stray quotation mark or a character no file name has")},
      {"such a character only in a later candidate", "Execute path: C:\\NONE.EXE \"x\"\n", nullptr,
       std::nullopt},
      {"two paths and a redirection among the arguments",
       "Execute path: C:\\APP\\SETUP.EXE C:\\APP\\A.INI C:\\APP\\B.INI >C:\\APP\\U.LOG\n",
       [](FakePlatform& os) { os.normal_files.insert(L"C:\\APP\\SETUP.EXE"); }, std::nullopt},
      {"unquoted, the program in a folder others can change",
       "Execute path: C:\\Program Files\\OPEN\\A.exe /u\n",
       program_in(L"C:\\Program Files\\OPEN\\A.exe", L"C:\\Program Files\\OPEN",
                  rights::kWriteData),
       Open(1, Role::kProgramFolder, L"C:\\Program Files\\OPEN", rights::kWriteData)},
      {"a line not understood that starts with a path", "C:\\OPEN\\X.EXE /s\n",
       program_in(L"C:\\OPEN\\X.EXE", L"C:\\OPEN", rights::kWriteData),
       Open(1, Role::kProgramFolder, L"C:\\OPEN", rights::kWriteData)},
      {"each bound, reached and not passed: lines", std::string(500'000, '\n'), nullptr,
       std::nullopt},
      {"each bound, reached and not passed: a last line unended", std::string(499'999, '\n') + "x",
       nullptr, std::nullopt},
      {"each bound: a last line unended", std::string(500'000, '\n') + "x", nullptr,
       Refused(0, L"", L"the log has more than 500,000 lines, more than are judged")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const trust::Judging judging :
         {trust::Judging::kUntilFirstFinding, trust::Judging::kEveryFinding}) {
      FakePlatform os;
      Arrange(os, c.log);
      if (c.arrange) c.arrange(os);
      Deciding run(os.sources(), judging);
      EXPECT_EQ(Why(Decide(run, L"OldApp")), c.why);
      EXPECT_EQ(os.open_handles, 0);
    }
  }
  // An order's finding in words, with its object's and without.
  const trust::Finding found{L"program folder", L"C:\\OPEN", L"", kEveryone, L"may add files"};
  EXPECT_EQ(
      Describe(OrderFinding{12, L"run", L"C:\\OPEN\\SETUP.EXE /U", found}),
      L"log line 12, run [C:\\OPEN\\SETUP.EXE /U]: program folder [C:\\OPEN]: S-1-1-0 may add "
      L"files");
  EXPECT_EQ(Describe(OrderFinding{3, L"not understood", L"", {L"line", L"", L"", L"", L"holds"}}),
            L"log line 3, not understood: holds");
}

// The plan from the log's last line up: each order's line, the line that
// deleted it before it runs, and its kind.
TEST(LogOrders, ThePlanRunsFromTheLastLineUpAndMarksWhatWasDeletedBefore) {
  struct Case {
    const char* what;
    std::string log;
    std::vector<std::string> plan;  // "line deleted-by kind"
    std::wstring windows = L"C:\\WINDOWS";
  };
  const Case cases[] = {
      {"programs deleted before they run",
       "File Copy: C:\\APP\\SETUP.EXE\nExecute path: C:\\APP\\SETUP.EXE /U\n"
       "Execute path: C:\\APP\\SETUP.EXE /X\nFile Copy: C:\\APP\\SETUP.EXE\n",
       {"4 - file", "3 4 run", "2 4 run", "1 - file"}},
      // A tree deletes what its pattern reaches, and nothing beside.
      {"trees",
       "Execute path: C:\\APP\\SETUP.EXE\nExecute path: C:\\APP\\SETUP.COM\n"
       "Execute path: C:\\APP\\BIN\\X.EXE\nExecute path: C:\\APPX\\Y.EXE\n"
       "File Tree: C:\\APP\\*.EXE\nFile Tree: C:\\APP\\BIN\\\n",
       {"6 - tree", "5 - tree", "4 - run", "3 6 run", "2 - run", "1 5 run"}},
      // The Windows folder as the system may give it, with a trailing backslash.
      {"kept in the Windows folder",
       "File Copy: C:\\WINDOWS\\SYSTEM\\A.DLL\n",
       {"1 - kept"},
       L"C:\\WINDOWS\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.windows_directory = c.windows;
    Arrange(os, c.log);
    os.normal_files.insert(L"C:\\APP\\SETUP.EXE");
    Deciding run(os.sources(), trust::Judging::kEveryFinding);
    const Decision decision = Decide(run, L"OldApp");
    ASSERT_TRUE(decision.plan);
    std::vector<std::string> plan;
    for (const PlannedOrder& planned : decision.plan->plan) {
      plan.push_back(std::to_string(planned.order.line) + " " +
                     (planned.deleted_by ? std::to_string(*planned.deleted_by) : "-") + " " +
                     Narrow(wise_log::KindName(planned.order.kind)));
    }
    EXPECT_EQ(plan, c.plan);
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST(LogOrders, TarnweldCheckGoesPastWhatOthersMayChangeNeverPastALinkOrARefusal) {
  FakePlatform os;
  Arrange(os,
          "Execute path: C:\\OPEN\\BIN\\X.EXE\nExecute path: C:\\LINKED\\BIN\\Y.EXE\n"
          "File Copy: APP.EXE\nFile Tree: C:\\APP\\\nExecute path: C:\\SHUT\\Z.EXE\n");
  os.normal_files.insert({L"C:\\OPEN\\BIN\\X.EXE", L"C:\\LINKED\\BIN\\Y.EXE"});
  os.security[L"C:\\OPEN"] = EveryoneMay(rights::kDeleteChild);
  os.security[L"C:\\OPEN\\BIN\\X.EXE"] = EveryoneMay(rights::kWriteData);
  SecurityRead link = fake::Owned(kAdmins, {});
  link.link = true;
  os.security[L"C:\\LINKED"] = link;
  // A subfolder the listing does not call a link, whose own security says it is one.
  os.subfolders[L"C:\\APP"] = {{L"SUB", false}};
  os.security[L"C:\\APP\\SUB"] = link;
  // A program whose folder's security cannot be read: nothing in it is judged.
  os.normal_files.insert(L"C:\\SHUT\\Z.EXE");
  os.security[L"C:\\SHUT"].error = 5;
  os.security[L"C:\\SHUT\\Z.EXE"] = EveryoneMay(rights::kWriteData);
  Deciding run(os.sources(), trust::Judging::kEveryFinding);
  const Decision decision = Decide(run, L"OldApp");
  ASSERT_TRUE(decision.plan);
  std::vector<std::string> found;
  for (const OrderFinding& finding : decision.plan->findings) {
    found.push_back(std::to_string(finding.line) + " " + Narrow(finding.finding.path));
  }
  EXPECT_THAT(found,
              ::testing::ElementsAre("5 C:\\SHUT", "4 C:\\APP\\SUB", "3 APP.EXE", "2 C:\\LINKED",
                                     "1 C:\\OPEN", "1 C:\\OPEN\\BIN\\X.EXE"));
  EXPECT_THAT(os.searched_paths, Not(Contains(L"C:\\LINKED\\BIN\\Y.EXE")));
  EXPECT_THAT(os.listed, Not(Contains(L"C:\\APP\\SUB")));
}

TEST(LogOrders, NothingIsReadPastABound) {
  FakePlatform os;
  Arrange(os, "File Tree: C:\\APP\\DATA\\\n");
  auto& inside = os.subfolders[L"C:\\APP\\DATA"];
  for (int i = 0; i < 20'005; ++i) inside.push_back({L"F" + std::to_wstring(i), false});
  Deciding run(os.sources(), trust::Judging::kEveryFinding);
  EXPECT_EQ(Decide(run, L"OldApp").verdict, Verdict::kLogOrdersUntrusted);
  // The tree's folder and 19,999 inside it make 20,000: the next is not read.
  EXPECT_EQ(std::count_if(
                os.security_reads.begin(), os.security_reads.end(),
                [](const std::wstring& path) { return path.rfind(L"C:\\APP\\DATA\\F", 0) == 0; }),
            19'999);

  // Past 60 s, no order after the one that took the time is judged.
  FakePlatform timed;
  Arrange(timed, "File Copy: C:\\C\\C.TXT\nFile Copy: C:\\B\\B.TXT\n");
  timed.read_ms = 60'001;
  Deciding timed_run(timed.sources(), trust::Judging::kEveryFinding);
  EXPECT_EQ(Decide(timed_run, L"OldApp").verdict, Verdict::kLogOrdersUntrusted);
  EXPECT_THAT(timed.security_reads, Contains(L"C:\\B"));
  EXPECT_THAT(timed.security_reads, Not(Contains(L"C:\\C")));
}

TEST(LogOrders, WildcardsAsTheFileSearchReadsThem) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* name;
    bool matches;
  };
  const Case cases[] = {
      {L"*", L"ANY", true},        {L"*.*", L"NODOT", true}, {L"*.LOG", L"x.log", true},
      {L"*.LOG", L"x.lo", false},  {L"?", L"a", true},       {L"?", L"", false},
      {L"?", L"ab", false},        {L"A?C", L"abc", true},   {L"a*c*e", L"abXcYe", true},
      {L"a*c*e", L"abXcY", false}, {L"X*", L"", false},      {L"", L"", true},
      {L"**", L"", true},          {L"*b", L"aab", true},    {L"a*b*", L"ab", true},
      {L"ab", L"abc", false},      {L"abc", L"ab", false},   {L"b", L"a", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.pattern) + " " + Narrow(c.name));
    EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.matches);
  }
}

TEST(LogOrders, StartingAProgramTriesWhatCreateProcessTries) {
  struct Case {
    const wchar_t* command;
    std::vector<std::wstring> programs, arguments;
  };
  const Case cases[] = {
      {L"C:\\Program Files\\ACD\\ACDSee.exe /uninstall",
       {L"C:\\Program.exe", L"C:\\Program Files\\ACD\\ACDSee.exe",
        L"C:\\Program Files\\ACD\\ACDSee.exe /uninstall"},
       {}},
      {L"  \"C:\\A B\\SETUP\" /U C:\\X\\Y.DLL,Entry", {L"C:\\A B\\SETUP"}, {L"C:\\X\\Y.DLL"}},
      {L"C:\\W\\CMD /c \"C:\\P Q\\R.BAT\" x=\\\\S\\T\\U.EXE",
       {L"C:\\W\\CMD.exe", L"C:\\W\\CMD /c.exe", L"C:\\W\\CMD /c \"C:\\P.exe",
        L"C:\\W\\CMD /c \"C:\\P Q\\R.BAT\"", L"C:\\W\\CMD /c \"C:\\P Q\\R.BAT\" x=\\\\S\\T\\U.EXE"},
       {L"C:\\P Q\\R.BAT", L"\\\\S\\T\\U.EXE"}},
      {L"SETUP C:\\A B",
       {L"SETUP.exe", L"SETUP C:\\A.exe", L"SETUP C:\\A B.exe"},
       {L"C:\\A", L"C:\\A B"}},
      {L"", {}, {}},
      {L"\"\" x", {}, {}},
      // Wherever a fully qualified path may start.
      {L"\"C:\\R.EXE\" a:\\1 [:\\2 Z:\\3",
       {L"C:\\R.EXE"},
       {L"a:\\1", L"a:\\1 [:\\2", L"a:\\1 [:\\2 Z:\\3", L"Z:\\3"}},
      // Each candidate once, cut where rundll32 cuts its entry.
      {L"\"C:\\R.EXE\" C:\\X.DLL,Entry arg", {L"C:\\R.EXE"}, {L"C:\\X.DLL"}},
      {L"\"C:\\R.EXE\"C:\\X.DLL", {L"C:\\R.EXE"}, {L"C:\\X.DLL"}},
      // A path may start right after the line's first character.
      {L"=C:\\X.DLL", {L"=C:\\X.DLL"}, {L"C:\\X.DLL"}},
      {L"\"C:\\R.EXE\" C:\\A B.DLL  x",
       {L"C:\\R.EXE"},
       {L"C:\\A", L"C:\\A B.DLL", L"C:\\A B.DLL ", L"C:\\A B.DLL  x"}},
      // Each blank ends a candidate, two in a row included.
      {L"C:\\A B.EXE  x", {L"C:\\A.exe", L"C:\\A B.EXE", L"C:\\A B.EXE ", L"C:\\A B.EXE  x"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.command));
    const RunTargets targets = TargetsOf(c.command);
    EXPECT_EQ(targets.programs, c.programs);
    EXPECT_EQ(targets.arguments, c.arguments);
  }
}

}  // namespace
}  // namespace tarnweld
