#include "core/win_path.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::Narrow;

// Each path as the rules take it, and as a path: its parent, its last
// name, the drive or share it is on, and its text as a folder's.
TEST(WinPath, EachPathByTheRulesAndItsParts) {
  struct Case {
    std::wstring text;
    FileStatus status;   // of the rules; kNotSearched: every one passed
    std::wstring parent;  // "-": a root, the parent of nothing; "": not a path at all
    std::wstring name, drive, folder;
  };
  const Case cases[] = {
      {L"C:\\A\\B.EXE", FileStatus::kNotSearched, L"C:\\A", L"B.EXE", L"C:\\", L"C:\\A\\B.EXE"},
      {L"C:\\A", FileStatus::kNotSearched, L"C:\\", L"A", L"C:\\", L"C:\\A"},
      // A trailing backslash names the same folder, however many.
      {L"C:\\A\\B\\", FileStatus::kNotSearched, L"C:\\A", L"B", L"C:\\", L"C:\\A\\B"},
      {L"C:\\A\\\\", FileStatus::kNotSearched, L"C:\\", L"A", L"C:\\", L"C:\\A"},
      {L"C:\\", FileStatus::kNotFullyQualified, L"-", L"", L"C:\\", L"C:\\"},
      {L"C:\\\\", FileStatus::kNotSearched, L"-", L"", L"C:\\", L"C:\\"},
      // Drive letters, the ends of the alphabet included, and what is next to them.
      {L"A:\\L.TXT", FileStatus::kNotSearched, L"A:\\", L"L.TXT", L"A:\\", L"A:\\L.TXT"},
      {L"Z:\\L.TXT", FileStatus::kNotSearched, L"Z:\\", L"L.TXT", L"Z:\\", L"Z:\\L.TXT"},
      {L"a:\\L.TXT", FileStatus::kNotSearched, L"a:\\", L"L.TXT", L"a:\\", L"a:\\L.TXT"},
      {L"z:\\L.TXT", FileStatus::kNotSearched, L"z:\\", L"L.TXT", L"z:\\", L"z:\\L.TXT"},
      {L"@:\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"[:\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"`:\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"{:\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"1:\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      // Checked in one folder, run from another.
      {L"L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"..\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"\\App\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      {L"C:App\\L.TXT", FileStatus::kNotFullyQualified, L"", L"", L"", L""},
      // A share is a network path's root: the walk refuses it, not the rules.
      {L"\\\\server\\share\\W\\UNWISE.EXE", FileStatus::kNotSearched, L"\\\\server\\share\\W",
       L"UNWISE.EXE", L"\\\\server\\share", L"\\\\server\\share\\W\\UNWISE.EXE"},
      {L"\\\\a\\s\\x", FileStatus::kNotSearched, L"\\\\a\\s", L"x", L"\\\\a\\s", L"\\\\a\\s\\x"},
      {L"\\\\server\\share", FileStatus::kNotFullyQualified, L"-", L"", L"\\\\server\\share",
       L"\\\\server\\share"},
      {L"\\\\server\\share\\", FileStatus::kNotFullyQualified, L"-", L"", L"\\\\server\\share",
       L"\\\\server\\share"},
      {L"\\\\server", FileStatus::kNotFullyQualified, L"-", L"", L"\\\\server", L"\\\\server"},
      {L"\\\\\\share\\x", FileStatus::kNotFullyQualified, L"\\\\\\share", L"x", L"\\\\\\share",
       L"\\\\\\share\\x"},
      {L"\\\\server\\\\x", FileStatus::kNotFullyQualified, L"\\\\server\\", L"x",
       L"\\\\server\\", L"\\\\server\\\\x"},
      {L"\\\\.\\pipe\\W\\UNWISE.EXE", FileStatus::kNotFullyQualified, L"\\\\.\\pipe\\W",
       L"UNWISE.EXE", L"\\\\.\\pipe", L"\\\\.\\pipe\\W\\UNWISE.EXE"},
      // The colon after the device prefix stands where only a stream's may.
      {L"\\\\?\\C:\\L.TXT", FileStatus::kForbiddenCharacter, L"\\\\?\\C:", L"L.TXT",
       L"\\\\?\\C:", L"\\\\?\\C:\\L.TXT"},
      {L"C::\\L.TXT", FileStatus::kForbiddenCharacter, L"", L"", L"", L""},
      {L"", FileStatus::kEmpty, L"", L"", L"", L""},
      // Windows drops spaces and dots that end a path's last name only.
      {L"C:\\W \\UNWISE.EXE", FileStatus::kNameEndsInDotOrSpace, L"C:\\W ", L"UNWISE.EXE",
       L"C:\\", L"C:\\W \\UNWISE.EXE"},
      {L"C:\\W.\\UNWISE.EXE", FileStatus::kNameEndsInDotOrSpace, L"C:\\W.", L"UNWISE.EXE",
       L"C:\\", L"C:\\W.\\UNWISE.EXE"},
      {L"C:\\L.TXT ", FileStatus::kNameEndsInDotOrSpace, L"C:\\", L"L.TXT ", L"C:\\",
       L"C:\\L.TXT "},
      {L"C:\\A\\...\\L.TXT", FileStatus::kNameEndsInDotOrSpace, L"C:\\A\\...", L"L.TXT", L"C:\\",
       L"C:\\A\\...\\L.TXT"},
      {L"C:\\A/B /L.TXT", FileStatus::kNameEndsInDotOrSpace, L"C:\\", L"A/B /L.TXT", L"C:\\",
       L"C:\\A/B /L.TXT"},
      {L"C:\\A\\..\\B\\.\\L.TXT", FileStatus::kNotSearched, L"C:\\A\\..\\B\\.", L"L.TXT", L"C:\\",
       L"C:\\A\\..\\B\\.\\L.TXT"},
      // Devices, whatever the folder or extension; the first dot ends the name.
      {L"C:\\App\\con.log", FileStatus::kDevice, L"C:\\App", L"con.log", L"C:\\",
       L"C:\\App\\con.log"},
      {L"C:\\App\\CON.X.LOG", FileStatus::kDevice, L"C:\\App", L"CON.X.LOG", L"C:\\",
       L"C:\\App\\CON.X.LOG"},
      {L"C:\\App\\X.CON.LOG", FileStatus::kNotSearched, L"C:\\App", L"X.CON.LOG", L"C:\\",
       L"C:\\App\\X.CON.LOG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    const ParsedPath parsed = WinPath::Parse(c.text);
    EXPECT_EQ(parsed.status, c.status);
    EXPECT_EQ(parsed.path.has_value(), c.status == FileStatus::kNotSearched);
    const std::optional<WinPath> path = WinPath::Qualified(c.text);
    ASSERT_EQ(path.has_value(), !c.parent.empty());
    if (!path) continue;
    const std::optional<WinPath> parent = path->Parent();
    EXPECT_EQ(parent ? parent->Text() : L"-", c.parent);
    EXPECT_EQ(path->IsRoot(), !parent);
    EXPECT_EQ(path->Name(), c.name);
    EXPECT_EQ(path->Drive().Text(), c.drive);
    EXPECT_EQ(path->FolderText(), c.folder);
    EXPECT_EQ(path->OnDrive(), c.text[1] == L':');
  }
}

// Paths compare without regard to the case of a to z, part by part.
TEST(WinPath, ComparedPartByPart) {
  struct Case {
    std::wstring path, folder;
    bool same, inside;
    std::wstring name_below;
  };
  const Case cases[] = {
      {L"C:\\Program Files (x86)", L"C:\\Program Files", false, false, L""},
      {L"C:\\Program Files\\App", L"c:\\PROGRAM FILES\\", false, true, L"App"},
      {L"C:\\A\\B\\C", L"C:\\A", false, true, L"B"},
      {L"C:\\A\\B", L"C:\\", false, true, L"A"},
      {L"c:\\a\\", L"C:\\A", true, false, L""},
      {L"C:\\", L"C:\\", true, false, L""},
      {L"D:\\A", L"C:\\A", false, false, L""},
      {L"\\\\s\\sh\\x", L"\\\\S\\SH", false, true, L"x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.path + L" ~ " + c.folder));
    const WinPath path = *WinPath::Qualified(c.path), folder = *WinPath::Qualified(c.folder);
    EXPECT_EQ(path == folder, c.same);
    EXPECT_EQ(!(path < folder) && !(folder < path), c.same);
    EXPECT_EQ(path.IsInside(folder), c.inside);
    EXPECT_EQ(path.NameBelow(folder), c.name_below);
  }
  EXPECT_EQ(WinPath::Qualified(L"C:\\A\\")->Child(L"B").Text(), L"C:\\A\\B");
  EXPECT_EQ(WinPath::Qualified(L"C:\\")->Child(L"B").Text(), L"C:\\B");
  // Where a fully qualified path may start in a line of text.
  for (const auto& [text, at, starts] :
       {std::tuple<const wchar_t*, std::size_t, bool>{L"x C:\\A", 2, true}, {L"x C:\\A", 1, false},
        {L"\\\\s", 0, true}, {L"C:", 0, false}, {L"C:\\", 5, false}}) {
    EXPECT_EQ(WinPath::StartsAt(text, at), starts) << Narrow(text) << " at " << at;
  }
}

}  // namespace
}  // namespace tarnweld
