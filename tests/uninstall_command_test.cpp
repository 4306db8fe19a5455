#include "decide/uninstall_command.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

// What the path rules leave to CheckPath: quotation marks, the code page
// an ANSI uninstaller reads its paths in, and how later names are read.
TEST(CheckPath, UnquotesTheTextAndKeepsOnlyWhatAnAnsiProgramReadsAsWritten) {
  struct Case {
    std::wstring text;
    FileStatus status;
    DotsAndSpaces names = DotsAndSpaces::kRefused;
  };
  const Case cases[] = {
      {L"C:\\L.TXT", FileStatus::kNotSearched},
      {L"\"z:\\L.TXT\"", FileStatus::kNotSearched},
      // One quotation mark is no pair: another log than the stored one.
      {L"\"C:\\L.TXTX", FileStatus::kForbiddenCharacter},
      {L"\"\"", FileStatus::kEmpty},
      {L"\"C:\\App\\NUL\"", FileStatus::kDevice},
      // An ANSI program would read C:\App\INSTALL.LOG: best fit makes a look-alike.
      {L"C:\\\xFF21pp\\INSTALL.LOG", FileStatus::kNotInCodePage},
      {L"C:\\App\\\x0394\x6587.LOG", FileStatus::kNotInCodePage},
      {L"C:\\Caf\x00e9\\INSTALL.LOG", FileStatus::kNotSearched},
      {L"C:\\L.TXT ", FileStatus::kNameEndsInDotOrSpace},
      {L"C:\\L.TXT ", FileStatus::kNotSearched, DotsAndSpaces::kAsResolved},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::Narrow(c.text));
    fake::FakePlatform os;
    const FileCheck check = CheckPath(os, c.text, c.names);
    EXPECT_EQ(check.status, c.status);
    const bool quoted = c.text.size() > 1 && c.text[0] == L'"' && c.text.back() == L'"';
    EXPECT_EQ(check.searched, quoted ? c.text.substr(1, c.text.size() - 2) : c.text);
    ASSERT_EQ(check.path.has_value(), c.status == FileStatus::kNotSearched);
    EXPECT_EQ(check.path ? check.path->Text() : check.searched, check.searched);
  }
}

// Split where the uninstaller's name ends, whatever the letter case and
// spacing; UNWISE32.EXE only where UNWISE.EXE does not occur.
TEST(SplitUninstallCommand, WhereTheUninstallersNameEnds) {
  struct Case {
    std::wstring command, path, args;
    const wchar_t* name = L"UNWISE.EXE";
  };
  const Case cases[] = {
      {L"c:\\windows\\unwise.exe c:\\app\\list.txt", L"c:\\windows\\unwise.exe",
       L"c:\\app\\list.txt"},
      {L"C:\\W\\UNWISE.EXE     C:\\L.TXT   ", L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"},
      {L"\"C:\\W\\UNWISE.EXE\" C:\\L.TXT", L"\"C:\\W\\UNWISE.EXE\"", L"C:\\L.TXT"},
      // Leading spaces must not shift the arguments into the uninstaller's name.
      {L"   C:\\W\\UNWISE.EXE C:\\L.TXT", L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"},
      // The name is found inside a longer one, as it always was; one
      // character after it is kept with the path.
      {L"C:\\W\\XUNWISE.EXE C:\\L.TXT", L"C:\\W\\XUNWISE.EXE", L"C:\\L.TXT"},
      {L"C:\\W\\UNWISE.EXEX C:\\L.TXT", L"C:\\W\\UNWISE.EXEX", L"C:\\L.TXT"},
      {L"C:\\P\\UNWISE32.EXE C:\\L.TXT", L"C:\\P\\UNWISE32.EXE", L"C:\\L.TXT", L"UNWISE32.EXE"},
      {L"\"C:\\P F\\unwise32.exe\" \"C:\\L F.TXT\"", L"\"C:\\P F\\unwise32.exe\"",
       L"\"C:\\L F.TXT\"", L"UNWISE32.EXE"},
      {L"C:\\W\\UNWISE.EXE C:\\A\\UNWISE32.EXE.LOG", L"C:\\W\\UNWISE.EXE",
       L"C:\\A\\UNWISE32.EXE.LOG"},
      // UNWISE.EXE wins wherever it stands.
      {L"C:\\A\\UNWISE32.EXE C:\\W\\UNWISE.EXE C:\\L.TXT", L"C:\\A\\UNWISE32.EXE C:\\W\\UNWISE.EXE",
       L"C:\\L.TXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::Narrow(c.command));
    const auto split = SplitUninstallCommand(c.command);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->uninstaller_path, c.path);
    EXPECT_EQ(split->arguments, c.args);
    EXPECT_EQ(split->recognized_name, c.name);
    EXPECT_EQ(AutomaticCommandLine(*split), c.path + L" /a " + c.args);
  }
  EXPECT_FALSE(SplitUninstallCommand(L"C:\\P\\UNWISE64.EXE C:\\L.TXT"));
}

}  // namespace
}  // namespace tarnweld
