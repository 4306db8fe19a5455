#include <gtest/gtest.h>

#include "platform/process.h"
#include "platform/text.h"

namespace tarnweld {
namespace {

using platform::CommandLineTail;

TEST(CommandLineTail, SkipsOnlyTheProgramNameAndTheBlanksAfterIt) {
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe OldApp"), L"OldApp");
  EXPECT_EQ(CommandLineTail(L"\"C:\\Tools dir\\Tarnweld.exe\" \t Old App  "), L"Old App  ");
  EXPECT_EQ(CommandLineTail(L"C:\\T\\Tarnweld.exe\t\"Old App\""), L"\"Old App\"");
  EXPECT_EQ(CommandLineTail(L"\"C:\\T\\Tarnweld.exe\"OldApp"), L"OldApp");
}

TEST(CommandLineTail, NoTail) {
  EXPECT_EQ(CommandLineTail(L""), L"");
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe"), L"");
  EXPECT_EQ(CommandLineTail(L"Tarnweld.exe   "), L"");
  EXPECT_EQ(CommandLineTail(L"\"C:\\T\\Tarnweld.exe"), L"");
}

TEST(Text, UpperCasingFoldsAsciiLettersOnly) {
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"c:\\unwise.exe", L"UNWISE.EXE"), 3u);
  // Dotless and dotted i, and the Kelvin sign, are no ASCII letters.
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"c:\\unw\x0131se.exe", L"UNWISE.EXE"),
            std::wstring_view::npos);
  EXPECT_EQ(text::FindIgnoringAsciiCase(L"UNW\x0130SE.EXE", L"UNWISE.EXE"),
            std::wstring_view::npos);
  EXPECT_FALSE(text::EqualsIgnoringAsciiCase<wchar_t>(L"\x212A", L"K"));
  EXPECT_EQ(text::TrimSpaces(L" \t a \t "), L"\t a \t");
}

}  // namespace
}  // namespace tarnweld
