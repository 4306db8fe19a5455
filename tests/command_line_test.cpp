#include "core/command_line.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/fake_record.h"

namespace tarnweld {
namespace {

TEST(CommandLineTail, SkipsOnlyTheProgramNameAndTheBlanksAfterIt) {
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe OldApp"), L"OldApp");
  EXPECT_EQ(CommandLineTail(L"\"C:\\Tools dir\\Tarnweld.exe\" \t Old App  "), L"Old App  ");
  EXPECT_EQ(CommandLineTail(L"C:\\T\\Tarnweld.exe\t\"Old App\""), L"\"Old App\"");
  EXPECT_EQ(CommandLineTail(L"\"C:\\T\\Tarnweld.exe\"OldApp"), L"OldApp");
  EXPECT_EQ(CommandLineTail(L"\"\"OldApp"), L"OldApp");
}

TEST(CommandLineTail, NoTail) {
  EXPECT_EQ(CommandLineTail(L""), L"");
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe"), L"");
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe   "), L"");
  EXPECT_EQ(CommandLineTail(L"\"C:\\T\\Tarnweld.exe"), L"");
}

TEST(CommandLineTail, OwnPathWrittenUnquotedWithSpacesIsSkippedWhole) {
  const std::vector<std::wstring> own{L"C:\\Tool Dir\\Tarnweld.exe", L"C:\\TOOLDI~1\\TARNWELD.EXE"};
  struct Case {
    const wchar_t* line;
    const wchar_t* tail;
  };
  const Case cases[] = {
      {L"C:\\Tool Dir\\Tarnweld.exe OldApp", L"OldApp"},
      {L"c:\\tool dir\\TARNWELD.EXE\tOld App ", L"Old App "},
      {L"C:\\TOOLDI~1\\TARNWELD.EXE OldApp", L"OldApp"},
      {L"C:\\Tool Dir\\Tarnweld.exe", L""},
      {L"C:\\Tool", L""},
      // Only the whole path, followed by a blank or the end, is the program.
      {L"C:\\Tool Dir\\Tarnweld.exeX OldApp", L"Dir\\Tarnweld.exeX OldApp"},
      {L"C:\\Tool Dir\\Tarnweld OldApp", L"Dir\\Tarnweld OldApp"},
      // Quoted and bare names go by the old rules.
      {L"\"C:\\Tool Dir\\Tarnweld.exe\" OldApp", L"OldApp"},
      {L"Tarnweld OldApp", L"OldApp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::Narrow(c.line));
    EXPECT_EQ(CommandLineTail(c.line, own), c.tail);
  }
}

TEST(Text, UpperCasingFoldsAsciiLettersOnly) {
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"c:\\unwise.exe", L"UNWISE.EXE"), 3u);
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"unwise.exe", L"UNWISE.EXE"), 0u);
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"unwise.ex", L"UNWISE.EXE"), std::wstring_view::npos);
  // Dotless and dotted i, and the Kelvin sign, are no ASCII letters.
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"c:\\unw\x0131se.exe", L"UNWISE.EXE"),
            std::wstring_view::npos);
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"UNW\x0130SE.EXE", L"UNWISE.EXE"),
            std::wstring_view::npos);
  EXPECT_FALSE(text::EqualsIgnoringAsciiCase<wchar_t>(L"\x212A", L"K"));
  // The whole alphabet, its ends included, and the characters just past them.
  EXPECT_TRUE(text::EqualsIgnoringAsciiCase<wchar_t>(L"abcxyz", L"ABCXYZ"));
  EXPECT_FALSE(text::EqualsIgnoringAsciiCase<wchar_t>(L"`{", L"@["));
  EXPECT_EQ(text::TrimSpaces(L" \t a \t "), L"\t a \t");
  EXPECT_EQ(text::Grouped(20'000), L"20,000");
  EXPECT_EQ(text::Grouped(999), L"999");
  EXPECT_EQ(text::Grouped(1'000'000), L"1,000,000");
  EXPECT_EQ(text::Seconds(14'567), L"14.5 s");
  EXPECT_EQ(text::Seconds(999), L"0.9 s");
  EXPECT_EQ(text::Seconds(60'000), L"60.0 s");
  // Brackets show blanks, quotes and control characters.
  EXPECT_EQ(text::Bracketed(L" \"Old App\" "), L"[ \"Old App\" ]");
  EXPECT_EQ(text::Bracketed(L"a\tb\x1F\x7F~"), L"[a<U+0009>b<U+001F><U+007F>~]");
  EXPECT_EQ(text::Bracketed(std::wstring(L"a\0b", 3)), L"[a<U+0000>b]");
}

}  // namespace
}  // namespace tarnweld
