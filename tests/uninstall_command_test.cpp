#include "decide/uninstall_command.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

// The rules on the text alone; kNotSearched where every one passed.
TEST(CheckPath, NamesTheRuleThatRefusedThePath) {
  struct Case {
    std::wstring path;
    FileStatus status;
  };
  const Case cases[] = {
      {L"C:\\L.TXT", FileStatus::kFound},
      {L"\"C:\\L.TXT\"", FileStatus::kFound},
      // One quotation mark is no pair: another log than the stored one.
      {L"\"C:\\L.TXTX", FileStatus::kForbiddenCharacter},
      {L"\\\\.\\pipe\\W\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"\\\\?\\C:\\L.TXT", FileStatus::kForbiddenCharacter},
      {L"C:\\App\\COM0.LOG", FileStatus::kDevice},
      {L"C:\\App\\COM9", FileStatus::kDevice},
      {L"C:\\App\\LPT\x00B9", FileStatus::kDevice},
      {L"C:\\App\\COM\x00B3.LOG", FileStatus::kDevice},
      {L"C:\\App\\LPT\x00B2", FileStatus::kDevice},
      {L"C:\\App\\COM\x00B4", FileStatus::kFound},
      {L"C:\\App\\COMA", FileStatus::kFound},
      {L"C:\\W\\UNWISE.EXE", FileStatus::kFound},
      {L"\"z:\\L.TXT\"", FileStatus::kFound},
      // The trust rule, not this one, refuses a network path, before any call.
      {L"\\\\server\\share\\W\\UNWISE.EXE", FileStatus::kFound},
      // An ANSI program would read C:\App\INSTALL.LOG: best fit makes a look-alike.
      {L"C:\\\xFF21pp\\INSTALL.LOG", FileStatus::kNotInCodePage},
      {L"C:\\App\\\x0394\x6587.LOG", FileStatus::kNotInCodePage},
      {L"C:\\Caf\x00e9\\INSTALL.LOG", FileStatus::kFound},
      // Checked in one folder, run from another.
      {L"UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"sub\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"\\App\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"C:App\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"L.TXT", FileStatus::kNotFullyQualified},
      {L"..\\L.TXT", FileStatus::kNotFullyQualified},
      // The colon after the device prefix stands where only a stream's may.
      {L"\\\\.\\C:\\W\\UNWISE.EXE", FileStatus::kForbiddenCharacter},
      {L"\\\\?\\C:\\W\\UNWISE.EXE", FileStatus::kForbiddenCharacter},
      {L"\\\\server\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"\\\\server\\share", FileStatus::kNotFullyQualified},
      // Devices, whatever the folder or extension.
      {L"NUL", FileStatus::kNotFullyQualified},
      {L"C:\\App\\NUL", FileStatus::kDevice},
      {L"C:\\App\\con.log", FileStatus::kDevice},
      {L"C:\\App\\COM1", FileStatus::kDevice},
      {L"C:\\App\\lpt9.txt", FileStatus::kDevice},
      {L"C:\\App\\aux .log", FileStatus::kDevice},
      {L"C:\\App\\CONSOLE.LOG", FileStatus::kFound},
      {L"C:\\App\\COM10", FileStatus::kFound},
      // Wildcards of the file search, and streams.
      {L"C:\\App\\INSTALL.LO>", FileStatus::kForbiddenCharacter},
      {L"C:\\App\\<NSTALL.LOG", FileStatus::kForbiddenCharacter},
      {L"C:\\App\\INSTALL.LOG:x", FileStatus::kForbiddenCharacter},
      {L"C:\\App\\A|B.LOG", FileStatus::kForbiddenCharacter},
      {L"C::\\L.TXT", FileStatus::kForbiddenCharacter},
      {L"\"\"", FileStatus::kEmpty},
      // Windows drops spaces and dots that end a path's last name only.
      {L"C:\\W \\UNWISE.EXE", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\W.\\UNWISE.EXE", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\L.TXT ", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\A\\...\\L.TXT", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\A/B /L.TXT", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\A\\..\\B\\.\\L.TXT", FileStatus::kFound},
      // Drive letters, the ends of the alphabet included, and what is next to them.
      {L"A:\\L.TXT", FileStatus::kFound},
      {L"Z:\\L.TXT", FileStatus::kFound},
      {L"a:\\L.TXT", FileStatus::kFound},
      {L"@:\\L.TXT", FileStatus::kNotFullyQualified},
      {L"[:\\L.TXT", FileStatus::kNotFullyQualified},
      {L"`:\\L.TXT", FileStatus::kNotFullyQualified},
      {L"{:\\L.TXT", FileStatus::kNotFullyQualified},
      {L"C:\\A", FileStatus::kFound},
      {L"C:\\", FileStatus::kNotFullyQualified},
      // A server, a share and a name, each of one character at least.
      {L"\\\\a\\s\\x", FileStatus::kFound},
      {L"\\\\\\share\\x", FileStatus::kNotFullyQualified},
      {L"\\\\server", FileStatus::kNotFullyQualified},
      {L"\\\\server\\\\x", FileStatus::kNotFullyQualified},
      {L"\\\\server\\share\\", FileStatus::kNotFullyQualified},
  };
  for (const Case& c : cases) {
    fake::FakePlatform os;
    const FileStatus status = CheckPath(os, c.path).status;
    EXPECT_EQ(status, c.status == FileStatus::kFound ? FileStatus::kNotSearched : c.status)
        << fake::Narrow(c.path);
  }
}

TEST(SplitUninstallCommand, WhateverTheLetterCaseAndSpacing) {
  struct Case {
    std::wstring command, path, args, launched;
  };
  const Case cases[] = {
      {L"c:\\windows\\unwise.exe c:\\app\\list.txt", L"c:\\windows\\unwise.exe",
       L"c:\\app\\list.txt", L"c:\\windows\\unwise.exe /a c:\\app\\list.txt"},
      {L"C:\\W\\UNWISE.EXE     C:\\L.TXT   ", L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT",
       L"C:\\W\\UNWISE.EXE /a C:\\L.TXT"},
      {L"\"C:\\W\\UNWISE.EXE\" C:\\L.TXT", L"\"C:\\W\\UNWISE.EXE\"", L"C:\\L.TXT",
       L"\"C:\\W\\UNWISE.EXE\" /a C:\\L.TXT"},
      // Leading spaces must not shift the arguments into the uninstaller's name.
      {L"   C:\\W\\UNWISE.EXE C:\\L.TXT", L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT",
       L"C:\\W\\UNWISE.EXE /a C:\\L.TXT"},
      // The name is found inside a longer one, as it always was.
      {L"C:\\W\\XUNWISE.EXE C:\\L.TXT", L"C:\\W\\XUNWISE.EXE", L"C:\\L.TXT",
       L"C:\\W\\XUNWISE.EXE /a C:\\L.TXT"},
      // One character after the name is kept with the path.
      {L"C:\\W\\UNWISE.EXEX C:\\L.TXT", L"C:\\W\\UNWISE.EXEX", L"C:\\L.TXT",
       L"C:\\W\\UNWISE.EXEX /a C:\\L.TXT"},
  };
  for (const Case& c : cases) {
    const auto split = SplitUninstallCommand(c.command);
    ASSERT_TRUE(split) << fake::Narrow(c.command);
    EXPECT_EQ(split->uninstaller_path, c.path) << fake::Narrow(c.command);
    EXPECT_EQ(split->arguments, c.args) << fake::Narrow(c.command);
    EXPECT_EQ(AutomaticCommandLine(*split), c.launched) << fake::Narrow(c.command);
  }
}

TEST(SplitUninstallCommand, Unwise32OnlyWhenUnwiseDoesNotOccur) {
  struct Case {
    const wchar_t* command;
    const wchar_t* path;
    const wchar_t* args;
    const wchar_t* name;
  };
  const Case cases[] = {
      {L"C:\\P\\UNWISE32.EXE C:\\L.TXT", L"C:\\P\\UNWISE32.EXE", L"C:\\L.TXT", L"UNWISE32.EXE"},
      {L"\"C:\\P F\\unwise32.exe\" \"C:\\L F.TXT\"", L"\"C:\\P F\\unwise32.exe\"",
       L"\"C:\\L F.TXT\"", L"UNWISE32.EXE"},
      {L"C:\\W\\UNWISE.EXE C:\\A\\UNWISE32.EXE.LOG", L"C:\\W\\UNWISE.EXE",
       L"C:\\A\\UNWISE32.EXE.LOG", L"UNWISE.EXE"},
      // UNWISE.EXE wins wherever it stands.
      {L"C:\\A\\UNWISE32.EXE C:\\W\\UNWISE.EXE C:\\L.TXT", L"C:\\A\\UNWISE32.EXE C:\\W\\UNWISE.EXE",
       L"C:\\L.TXT", L"UNWISE.EXE"},
  };
  for (const Case& c : cases) {
    const auto split = SplitUninstallCommand(c.command);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->uninstaller_path, c.path);
    EXPECT_EQ(split->arguments, c.args);
    EXPECT_EQ(split->recognized_name, c.name);
  }
  EXPECT_FALSE(SplitUninstallCommand(L"C:\\P\\UNWISE64.EXE C:\\L.TXT"));
}

}  // namespace
}  // namespace tarnweld
