#include "decide/log_orders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "decide/decision.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::Narrow;
using platform::SecurityRead;
using ::testing::Contains;
using ::testing::Not;
namespace rights = trust::rights;

constexpr wchar_t kLog[] = L"C:\\APP\\INSTALL.LOG";
constexpr wchar_t kAdmins[] = L"S-1-5-32-544";
constexpr wchar_t kEveryone[] = L"S-1-1-0";

SecurityRead EveryoneMay(std::uint32_t mask) {
  return fake::Owned(kAdmins, {{kAdmins, rights::kGenericAll}, {kEveryone, mask}});
}

// An uninstaller whose log holds `log`, read in code page 1252 or 932.
void Arrange(FakePlatform& os, const std::string& log) {
  os.StartOnEntry(std::string("C:\\WINDOWS\\UNWISE.EXE ") + Narrow(kLog) + '\0',
                  {L"C:\\WINDOWS\\UNWISE.EXE", kLog});
  os.contents[kLog] = log;
}

// Why the log was refused, as the trace says it; empty: it would launch.
std::string Why(const Decision& decision) {
  if (decision.verdict == Verdict::kWouldLaunch) return "";
  EXPECT_EQ(decision.verdict, Verdict::kLogOrdersUntrusted);
  if (!decision.plan) return "no plan";
  const LogPlan& plan = *decision.plan;
  if (plan.bound != LogBound::kNone) return Narrow(BoundWords(plan.bound));
  if (plan.read_error != 0) return "error " + std::to_string(plan.read_error);
  return Narrow(Describe(plan.findings.at(0)));
}

TEST(LogOrders, NothingTheLogOrdersReachesWhatOthersControl) {
  struct Case {
    const char* what;
    std::string log;
    std::function<void(FakePlatform&)> arrange;
    std::string why;  // empty: launched
  };
  const auto open = [](const wchar_t* path, std::uint32_t mask) {
    return [=](FakePlatform& os) { os.security[path] = EveryoneMay(mask); };
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
       ""},
      {"a program in a folder others can change", "Execute path: C:\\OPEN\\SETUP.EXE /U\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OPEN\\SETUP.EXE");
         open(L"C:\\OPEN", rights::kWriteData)(os);
       },
       "log line 1, run [C:\\OPEN\\SETUP.EXE /U]: program folder [C:\\OPEN]: S-1-1-0 may add "
       "files"},
      // Named with a space after it, it is the file Windows opens without one.
      {"a self-registered DLL there", "Self-Register: C:\\OPEN\\X.DLL \n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OPEN\\X.DLL");
         open(L"C:\\OPEN\\X.DLL", rights::kWriteData)(os);
       },
       "log line 1, self-register [C:\\OPEN\\X.DLL ]: program [C:\\OPEN\\X.DLL]: S-1-1-0 may "
       "write"},
      {"rundll32 given such a DLL",
       "Execute path: C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE C:\\OPEN\\X.DLL,Entry\n",
       [&](FakePlatform& os) {
         os.normal_files.insert({L"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE", L"C:\\OPEN\\X.DLL"});
         open(L"C:\\OPEN", rights::kAppendData)(os);
       },
       "log line 1, run [C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE C:\\OPEN\\X.DLL,Entry]: program "
       "folder [C:\\OPEN]: S-1-1-0 may add subfolders"},
      {"a program the system would search for", "Execute path: rundll32 C:\\APP\\X.DLL,Entry\n",
       nullptr,
       "log line 1, run [rundll32 C:\\APP\\X.DLL,Entry]: program [rundll32.exe]: is not a fully "
       "qualified path (X:\\... or \\\\server\\share\\...)"},
      {"unquoted with blanks, where users may only make folders in the root",
       "Execute path: C:\\Program Files\\ACD\\ACDSee.exe /uninstall\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\Program Files\\ACD\\ACDSee.exe");
         open(L"C:\\", rights::kAppendData)(os);
       },
       ""},
      {"unquoted with blanks, where users may put C:\\Program.exe",
       "Execute path: C:\\Program Files\\ACD\\ACDSee.exe /uninstall\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\Program Files\\ACD\\ACDSee.exe");
         open(L"C:\\", rights::kWriteData)(os);
       },
       "log line 1, run [C:\\Program Files\\ACD\\ACDSee.exe /uninstall]: folder a missing file "
       "or folder would be put in [C:\\]: S-1-1-0 may add files"},
      {"a tree with a subfolder others can change", "File Tree: C:\\APP\\DATA\\*.*\n",
       [&](FakePlatform& os) {
         os.subfolders[L"C:\\APP\\DATA"] = {{L"SUB", false}};
         open(L"C:\\APP\\DATA\\SUB", rights::kAppendData)(os);
       },
       "log line 1, tree [C:\\APP\\DATA\\*.*]: folder inside a deleted tree [C:\\APP\\DATA\\SUB]: "
       "S-1-1-0 may add subfolders"},
      {"a tree with a junction inside", "File Tree: C:\\APP\\DATA\\\n",
       [](FakePlatform& os) {
         os.subfolders[L"C:\\APP\\DATA"] = {{L"SUB", false}};
         os.subfolders[L"C:\\APP\\DATA\\SUB"] = {{L"LINK", true}};
       },
       "log line 1, tree [C:\\APP\\DATA\\]: folder inside a deleted tree "
       "[C:\\APP\\DATA\\SUB\\LINK]: is a junction or symbolic link inside a tree the uninstaller "
       "deletes"},
      {"a tree whose pattern no subfolder matches", "File Tree: C:\\APP\\DATA\\*.LOG\n",
       [](FakePlatform& os) {
         os.subfolders[L"C:\\APP\\DATA"] = {{L"LINK", true}};
       },
       ""},
      {"an order on a missing drive", "File Copy: Q:\\A\\B.TXT\n",
       [](FakePlatform& os) { os.drives[L"Q:\\"] = platform::DriveKind::kMissing; },
       "log line 1, file [Q:\\A\\B.TXT]: folder the uninstaller deletes in [Q:\\A]: is on a drive "
       "that does not exist, whose letter a removable disk could take"},
      {"a deletion in a folder others could turn into a junction", "Shell Link: C:\\OPEN\\A.LNK\n",
       open(L"C:\\OPEN", rights::kAppendData),
       "log line 1, link [C:\\OPEN\\A.LNK]: folder the uninstaller deletes in [C:\\OPEN]: S-1-1-0 "
       "may add subfolders"},
      {"a removed folder below one others can empty", "Made Dir: C:\\OPEN\\SUB\n",
       open(L"C:\\OPEN", rights::kDeleteChild),
       "log line 1, folder [C:\\OPEN\\SUB]: folder above a removed folder [C:\\OPEN]: S-1-1-0 may "
       "delete what it holds"},
      {"a program whose folder an earlier order deleted",
       "Execute path: C:\\APP\\BIN\\SETUP.EXE\nFile Tree: C:\\APP\\BIN\\\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\APP\\BIN\\SETUP.EXE");
         open(L"C:\\APP", rights::kAppendData)(os);
       },
       "log line 1, run [C:\\APP\\BIN\\SETUP.EXE]: folder a missing file or folder would be put "
       "in [C:\\APP]: S-1-1-0 may add subfolders"},
      {"the same program, its folder still there when it runs",
       "File Tree: C:\\APP\\BIN\\\nExecute path: C:\\APP\\BIN\\SETUP.EXE\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\APP\\BIN\\SETUP.EXE");
         open(L"C:\\APP", rights::kAppendData)(os);
       },
       ""},
      {"a restore under a key others control",
       "RegDB Key: Software\\Old\nRegDB Val: 1\nRegDB Old: 0\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Old"] = EveryoneMay(rights::kKeySetValue);
       },
       "log line 1, registry [Software\\Old]: key [HKLM\\Software\\Old]: S-1-1-0 may set values"},
      {"a deleted key missing below one others may link",
       "RegDB Tree: Software\\Old\\Sub\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Old"] = EveryoneMay(rights::kKeyCreateLink);
       },
       "log line 1, registry-tree [Software\\Old\\Sub]: nearest existing key above a missing one "
       "[HKLM\\Software\\Old]: S-1-1-0 may create links"},
      {"a value deleted, not restored, under such a key",
       "RegDB Key: Software\\Old\nRegDB Val: 1\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Old"] = EveryoneMay(rights::kKeySetValue);
       },
       "log line 1, registry [Software\\Old]: key [HKLM\\Software\\Old]: S-1-1-0 may set values"},
      {"a key that is a link, its own security the administrators'",
       "RegDB Tree: Software\\Old\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Old"] = fake::Owned(kAdmins, {});
         os.log_keys[L"HKLM\\Software\\Old"].link = true;
       },
       "log line 1, registry-tree [Software\\Old]: key [HKLM\\Software\\Old]: is a registry "
       "link, whose target is not judged"},
      {"a link on the way to the key", "RegDB Key: Software\\Link\\Sub\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Link"] = fake::Owned(kAdmins, {});
         os.log_keys[L"HKLM\\Software\\Link"].link = true;
         os.log_keys[L"HKLM\\Software\\Link\\Sub"] = fake::Owned(kAdmins, {});
       },
       "log line 1, registry [Software\\Link\\Sub]: key on the way to one it changes "
       "[HKLM\\Software\\Link]: is a registry link, whose target is not judged"},
      {"a program in a folder an earlier order removes",
       "Execute path: C:\\OLDAPP\\SETUP.EXE\nMade Dir: C:\\OLDAPP\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OLDAPP\\SETUP.EXE");
         open(L"C:\\", rights::kAppendData)(os);
       },
       "log line 1, run [C:\\OLDAPP\\SETUP.EXE]: folder a missing file or folder would be put "
       "in [C:\\]: S-1-1-0 may add subfolders"},
      {"the same program, run before its folder is removed",
       "Made Dir: C:\\OLDAPP\nExecute path: C:\\OLDAPP\\SETUP.EXE\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OLDAPP\\SETUP.EXE");
         open(L"C:\\", rights::kAppendData)(os);
       },
       ""},
      {"a removed folder written with a backslash", "Made Dir: C:\\OPEN\\SUB\\\n",
       open(L"C:\\OPEN", rights::kDeleteChild),
       "log line 1, folder [C:\\OPEN\\SUB\\]: folder above a removed folder [C:\\OPEN]: S-1-1-0 "
       "may delete what it holds"},
      {"a removed folder with no folder above it", "Made Dir: C:\\\n", nullptr,
       "log line 1, folder [C:\\]: removed folder [C:\\]: is not a folder in a folder on a local "
       "drive"},
      {"a file in a folder whose name ends in a space", "Self-Register: C:\\A \\B.OCX\n", nullptr,
       "log line 1, self-register [C:\\A \\B.OCX]: program [C:\\A \\B.OCX]: is a path with a name "
       "that ends in a space or a dot, which Windows reads as another path"},
      // One reading among others, judged as Windows resolves it: "C:\A " is a folder.
      {"a later reading in a folder named so, that users may make",
       "Execute path: C:\\A \\B.EXE\n",
       [&](FakePlatform& os) {
         os.missing_folders = {L"C:\\A "};
         open(L"C:\\", rights::kAppendData)(os);
       },
       "log line 1, run [C:\\A \\B.EXE]: folder a missing file or folder would be put in [C:\\]: "
       "S-1-1-0 may add subfolders"},
      {"a line not understood that names a program", "Delete File: C:\\OPEN\\X.EXE\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OPEN\\X.EXE");
         open(L"C:\\OPEN", rights::kWriteData)(os);
       },
       "log line 1, not understood [Delete File: C:\\OPEN\\X.EXE]: program folder [C:\\OPEN]: "
       "S-1-1-0 may add files"},
      {"bytes that do not decode", "File Copy: C:\\APP\\\x81\n",
       [](FakePlatform& os) { os.double_byte = true; },
       "log line 1, not understood: holds bytes the system's code page does not decode"},
      {"a log that cannot be read", "", [](FakePlatform& os) { os.read_error = 32; }, "error 32"},
      {"each bound: bytes", std::string((std::size_t{32} << 20) + 1, 'x'), nullptr,
       "the log is larger than 32 MiB, more than is judged"},
      {"each bound: lines", std::string(500'001, '\n'), nullptr,
       "the log has more than 500,000 lines, more than are judged"},
      {"each bound: folders", "File Tree: C:\\APP\\DATA\\\n",
       [](FakePlatform& os) {
         auto& inside = os.subfolders[L"C:\\APP\\DATA"];
         for (int i = 0; i < 20'000; ++i) inside.push_back({L"F" + std::to_wstring(i), false});
       },
       "its orders reach more than 20,000 folders, more than are read"},
      {"each bound: time", "File Copy: C:\\APP\\A.TXT\nFile Copy: C:\\B\\B.TXT\n",
       [](FakePlatform& os) { os.read_ms = 60'001; }, "judging its orders took more than 60 s"},
      {"each bound, reached and not passed: folders", "File Tree: C:\\APP\\DATA\\\n",
       [](FakePlatform& os) {
         auto& inside = os.subfolders[L"C:\\APP\\DATA"];
         for (int i = 0; i < 19'999; ++i) inside.push_back({L"F" + std::to_wstring(i), false});
       },
       ""},
      {"each bound, reached and not passed: time",
       "File Copy: C:\\APP\\A.TXT\nFile Copy: C:\\B\\B.TXT\n",
       [](FakePlatform& os) {
         os.read_ms = 60'000;
         os.folders.insert(L"C:\\B");
       },
       ""},
      {"a deletion in a folder missing now", "File Copy: C:\\OPEN\\GONE\\A.TXT\n",
       [&](FakePlatform& os) {
         os.missing_folders = {L"C:\\OPEN\\GONE"};
         open(L"C:\\OPEN", rights::kAppendData)(os);
       },
       "log line 1, file [C:\\OPEN\\GONE\\A.TXT]: folder a missing file or folder would be put "
       "in [C:\\OPEN]: S-1-1-0 may add subfolders"},
      {"a deletion in a folder an earlier order deleted",
       "File Copy: C:\\APP\\BIN\\A.DLL\nFile Tree: C:\\APP\\BIN\\\n",
       [&](FakePlatform& os) {
         os.folders.insert(L"C:\\APP\\BIN");
         open(L"C:\\APP", rights::kAppendData)(os);
       },
       "log line 1, file [C:\\APP\\BIN\\A.DLL]: folder a missing file or folder would be put "
       "in [C:\\APP]: S-1-1-0 may add subfolders"},
      {"a self-registered DLL named in quotation marks", "Self-Register: \"C:\\OPEN\\X.DLL\"\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OPEN\\X.DLL");
         open(L"C:\\OPEN", rights::kWriteData)(os);
       },
       "log line 1, self-register [\"C:\\OPEN\\X.DLL\"]: program folder [C:\\OPEN]: S-1-1-0 may "
       "add files"},
      {"a tree that names a folder: its own folder and below", "File Tree: C:\\APP\\DATA\n",
       [&](FakePlatform& os) {
         os.other_files[L"C:\\APP\\DATA"] = platform::FileKind::kDirectory;
         open(L"C:\\APP", rights::kAppendData)(os);
       },
       ""},
      {"a tree that names a file: the folder that holds it", "File Tree: C:\\APP\\X.TXT\n",
       open(L"C:\\APP", rights::kAppendData),
       "log line 1, tree [C:\\APP\\X.TXT]: folder of a deleted tree [C:\\APP]: S-1-1-0 may add "
       "subfolders"},
      {"a relative path", "File Copy: APP.EXE\n", nullptr,
       "log line 1, file [APP.EXE]: deleted file [APP.EXE]: is not a fully qualified path"},
      {"a tree's pattern reaches a folder, and all inside it", "File Tree: C:\\APP\\D*\n",
       [&](FakePlatform& os) {
         os.subfolders[L"C:\\APP"] = {{L"DATA", false}, {L"XTRA", true}};
         os.subfolders[L"C:\\APP\\DATA"] = {{L"SUB", false}};
         open(L"C:\\APP\\DATA\\SUB", rights::kAppendData)(os);
       },
       "log line 1, tree [C:\\APP\\D*]: folder inside a deleted tree [C:\\APP\\DATA\\SUB]: "
       "S-1-1-0 may add subfolders"},
      {"a key written with backslashes around it", "RegDB Tree: \\Software\\Old\\\nRegDB Root: 2\n",
       [](FakePlatform& os) {
         os.log_keys[L"HKLM\\Software\\Old"] = EveryoneMay(rights::kKeySetValue);
       },
       "log line 1, registry-tree [\\Software\\Old\\]: key [HKLM\\Software\\Old]: S-1-1-0 may "
       "set values"},
      {"a program named with a character no file name has", "Execute path: C:\\A<B.EXE\n", nullptr,
       "log line 1, run [C:\\A<B.EXE]: program [C:\\A<B.EXE]: is a path with a wildcard, a stray "
       "quotation mark or a character no file name has"},
      {"such a character only in a later candidate", "Execute path: C:\\NONE.EXE \"x\"\n", nullptr,
       ""},
      {"two paths and a redirection among the arguments",
       "Execute path: C:\\APP\\SETUP.EXE C:\\APP\\A.INI C:\\APP\\B.INI >C:\\APP\\U.LOG\n",
       [](FakePlatform& os) { os.normal_files.insert(L"C:\\APP\\SETUP.EXE"); }, ""},
      {"unquoted, the program in a folder others can change",
       "Execute path: C:\\Program Files\\OPEN\\A.exe /u\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\Program Files\\OPEN\\A.exe");
         open(L"C:\\Program Files\\OPEN", rights::kWriteData)(os);
       },
       "log line 1, run [C:\\Program Files\\OPEN\\A.exe /u]: program folder [C:\\Program "
       "Files\\OPEN]: S-1-1-0 may add files"},
      {"a line not understood that starts with a path", "C:\\OPEN\\X.EXE /s\n",
       [&](FakePlatform& os) {
         os.normal_files.insert(L"C:\\OPEN\\X.EXE");
         open(L"C:\\OPEN", rights::kWriteData)(os);
       },
       "log line 1, not understood [C:\\OPEN\\X.EXE /s]: program folder [C:\\OPEN]: S-1-1-0 may "
       "add files"},
      {"each bound, reached and not passed: lines", std::string(500'000, '\n'), nullptr, ""},
      {"each bound, reached and not passed: a last line unended", std::string(499'999, '\n') + "x",
       nullptr, ""},
      {"each bound: a last line unended", std::string(500'000, '\n') + "x", nullptr,
       "the log has more than 500,000 lines, more than are judged"},
  };
  for (const Case& c : cases) {
    for (const trust::Judging judging :
         {trust::Judging::kUntilFirstFinding, trust::Judging::kEveryFinding}) {
      FakePlatform os;
      Arrange(os, c.log);
      if (c.arrange) c.arrange(os);
      Deciding run(os.sources(), judging);
      EXPECT_EQ(Why(Decide(run, L"OldApp")), c.why) << c.what;
    }
  }
}

TEST(LogOrders, ThePlanRunsFromTheLastLineUpAndMarksProgramsDeletedBefore) {
  FakePlatform os;
  Arrange(os,
          "File Copy: C:\\APP\\SETUP.EXE\nExecute path: C:\\APP\\SETUP.EXE /U\n"
          "Execute path: C:\\APP\\SETUP.EXE /X\nFile Copy: C:\\APP\\SETUP.EXE\n");
  os.normal_files.insert(L"C:\\APP\\SETUP.EXE");
  Deciding run(os.sources(), trust::Judging::kEveryFinding);
  const Decision decision = Decide(run, L"OldApp");
  ASSERT_TRUE(decision.plan);
  std::vector<std::string> plan;
  for (const PlannedOrder& planned : decision.plan->plan) {
    plan.push_back(std::to_string(planned.order.line) + " " +
                   (planned.deleted_by ? std::to_string(*planned.deleted_by) : "-"));
  }
  EXPECT_THAT(plan, ::testing::ElementsAre("4 -", "3 4", "2 4", "1 -"));

  // The Windows folder as the system may give it, with a trailing backslash.
  FakePlatform trailing;
  trailing.windows_directory = L"C:\\WINDOWS\\";
  Arrange(trailing, "File Copy: C:\\WINDOWS\\SYSTEM\\A.DLL\n");
  Deciding trailing_run(trailing.sources(), trust::Judging::kEveryFinding);
  const Decision kept = Decide(trailing_run, L"OldApp");
  ASSERT_TRUE(kept.plan);
  ASSERT_EQ(kept.plan->plan.size(), 1u);
  EXPECT_EQ(kept.plan->plan[0].order.kind, wise_log::OrderKind::kKept);
}

TEST(LogOrders, ATreeDeletesWhatItsPatternReachesAndNothingBeside) {
  FakePlatform os;
  Arrange(os,
          "Execute path: C:\\APP\\SETUP.EXE\nExecute path: C:\\APP\\SETUP.COM\n"
          "Execute path: C:\\APP\\BIN\\X.EXE\nExecute path: C:\\APPX\\Y.EXE\n"
          "File Tree: C:\\APP\\*.EXE\nFile Tree: C:\\APP\\BIN\\\n");
  Deciding run(os.sources(), trust::Judging::kEveryFinding);
  const Decision decision = Decide(run, L"OldApp");
  ASSERT_TRUE(decision.plan);
  std::vector<std::string> deleted;
  for (const PlannedOrder& planned : decision.plan->plan) {
    if (planned.deleted_by) {
      deleted.push_back(std::to_string(planned.order.line) + " by " +
                        std::to_string(*planned.deleted_by));
    }
  }
  EXPECT_THAT(deleted, ::testing::ElementsAre("3 by 6", "1 by 5"));
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
    EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.matches)
        << Narrow(c.pattern) << " " << Narrow(c.name);
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
      // Drive letters at both ends of the alphabet, and what is beside them.
      {L"\"C:\\R.EXE\" A:\\1 z:\\2 @:\\3 [:\\4 `:\\5 {:\\6 C:\\",
       {L"C:\\R.EXE"},
       {L"A:\\1", L"A:\\1 z:\\2", L"A:\\1 z:\\2 @:\\3", L"A:\\1 z:\\2 @:\\3 [:\\4",
        L"A:\\1 z:\\2 @:\\3 [:\\4 `:\\5", L"A:\\1 z:\\2 @:\\3 [:\\4 `:\\5 {:\\6",
        L"A:\\1 z:\\2 @:\\3 [:\\4 `:\\5 {:\\6 C:\\", L"z:\\2", L"z:\\2 @:\\3", L"z:\\2 @:\\3 [:\\4",
        L"z:\\2 @:\\3 [:\\4 `:\\5", L"z:\\2 @:\\3 [:\\4 `:\\5 {:\\6",
        L"z:\\2 @:\\3 [:\\4 `:\\5 {:\\6 C:\\", L"C:\\"}},
      {L"\"C:\\R.EXE\" Z:\\1 a:\\2", {L"C:\\R.EXE"}, {L"Z:\\1", L"Z:\\1 a:\\2", L"a:\\2"}},
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
    const RunTargets targets = TargetsOf(c.command);
    EXPECT_EQ(targets.programs, c.programs) << Narrow(c.command);
    EXPECT_EQ(targets.arguments, c.arguments) << Narrow(c.command);
  }
}

}  // namespace
}  // namespace tarnweld
