#include "core/win_path.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::Narrow;

// Each path by the rules on its text alone, in the order they are applied;
// kNotSearched where every one passed.
TEST(WinPath, ParsedByTheRulesInTheirOrder) {
  const std::pair<FileStatus, std::vector<std::wstring>> cases[] = {
      {FileStatus::kNotSearched,
       {L"C:\\A\\B.EXE", L"C:\\A\\B\\", L"C:\\\\", L"A:\\L.TXT", L"Z:\\L.TXT", L"a:\\L.TXT",
        L"z:\\L.TXT", L"C:\\A\\..\\B\\.\\L.TXT",
        // The walk, not the rules, refuses a network path.
        L"\\\\server\\share\\W\\UNWISE.EXE", L"\\\\a\\s\\x",
        // No device's name: the first dot ends a name.
        L"C:\\App\\X.CON.LOG", L"C:\\App\\COM\x00B4", L"C:\\App\\COMA", L"C:\\App\\COM10",
        L"C:\\App\\CONSOLE.LOG"}},
      {FileStatus::kEmpty, {L""}},
      // Wildcards of the file search, and streams; the colon after the
      // device prefix stands where only a stream's may.
      {FileStatus::kForbiddenCharacter,
       {L"\\\\?\\C:\\L.TXT", L"\\\\.\\C:\\L.TXT", L"C::\\L.TXT", L"C:\\INSTALL.LO>",
        L"C:\\<NSTALL.LOG", L"C:\\L.LOG:x", L"C:\\A|B.LOG", L"C:\\*.LOG", L"C:\\L?.LOG"}},
      // Checked in one folder, run from another; drive letters, the ends of
      // the alphabet included, and what is next to them; a server, a share
      // and a name, each of one character at least.
      {FileStatus::kNotFullyQualified,
       {L"C:\\", L"L.TXT", L"..\\L.TXT", L"sub\\L.TXT", L"\\App\\L.TXT", L"C:App\\L.TXT", L"NUL",
        L"@:\\L.TXT", L"[:\\L.TXT", L"`:\\L.TXT", L"{:\\L.TXT", L"1:\\L.TXT", L"\\\\server\\share",
        L"\\\\server", L"\\\\server\\share\\", L"\\\\\\share\\x", L"\\\\server\\\\x",
        L"\\\\server\\L.TXT", L"\\\\.\\pipe\\W\\UNWISE.EXE"}},
      // Devices, whatever the folder or extension.
      {FileStatus::kDevice,
       {L"C:\\App\\NUL", L"C:\\App\\con.log", L"C:\\App\\CON.X.LOG", L"C:\\App\\aux .log",
        L"C:\\App\\lpt9.txt", L"C:\\App\\COM0.LOG", L"C:\\App\\COM9", L"C:\\App\\LPT\x00B9",
        L"C:\\App\\COM\x00B3.LOG", L"C:\\App\\LPT\x00B2"}},
      // Windows drops spaces and dots that end a path's last name only.
      {FileStatus::kNameEndsInDotOrSpace,
       {L"C:\\W \\UNWISE.EXE", L"C:\\W.\\UNWISE.EXE", L"C:\\L.TXT ", L"C:\\A\\...\\L.TXT",
        L"C:\\A/B /L.TXT"}},
  };
  for (const auto& [status, paths] : cases) {
    for (const std::wstring& text : paths) {
      SCOPED_TRACE(Narrow(text));
      const ParsedPath parsed = WinPath::Parse(text);
      EXPECT_EQ(parsed.status, status);
      ASSERT_EQ(parsed.path.has_value(), status == FileStatus::kNotSearched);
      EXPECT_EQ(parsed.path ? parsed.path->Text() : text, text);
    }
  }
  // Later readings take a name as Windows resolves it.
  EXPECT_TRUE(WinPath::Parse(L"C:\\W \\L.TXT.", DotsAndSpaces::kAsResolved).path);
}

// Each fully qualified path as a path: its parent, its last name, the drive
// or share it is on, and its text as a folder's.
TEST(WinPath, EachPathsParts) {
  struct Case {
    std::wstring text;
    std::wstring parent;  // "-": a root, the parent of nothing; "": not a path at all
    std::wstring name = {}, drive = {}, folder = {};
  };
  const Case cases[] = {
      {L"C:\\A\\B.EXE", L"C:\\A", L"B.EXE", L"C:\\", L"C:\\A\\B.EXE"},
      {L"C:\\A", L"C:\\", L"A", L"C:\\", L"C:\\A"},
      // A trailing backslash names the same folder, however many.
      {L"C:\\A\\B\\", L"C:\\A", L"B", L"C:\\", L"C:\\A\\B"},
      {L"C:\\A\\\\", L"C:\\", L"A", L"C:\\", L"C:\\A"},
      {L"C:\\", L"-", L"", L"C:\\", L"C:\\"},
      {L"z:\\\\", L"-", L"", L"z:\\", L"z:\\"},
      {L"[:\\L.TXT", L""},
      {L"C:L.TXT", L""},
      {L"\\App\\L.TXT", L""},
      {L"\\\\server\\share\\W\\X", L"\\\\server\\share\\W", L"X", L"\\\\server\\share",
       L"\\\\server\\share\\W\\X"},
      {L"\\\\a\\s\\x", L"\\\\a\\s", L"x", L"\\\\a\\s", L"\\\\a\\s\\x"},
      {L"\\\\server\\share\\", L"-", L"", L"\\\\server\\share", L"\\\\server\\share"},
      {L"\\\\server", L"-", L"", L"\\\\server", L"\\\\server"},
      {L"\\\\\\share\\x", L"\\\\\\share", L"x", L"\\\\\\share", L"\\\\\\share\\x"},
      {L"\\\\server\\\\x", L"\\\\server\\", L"x", L"\\\\server\\", L"\\\\server\\\\x"},
      {L"\\\\.\\pipe\\W\\X", L"\\\\.\\pipe\\W", L"X", L"\\\\.\\pipe", L"\\\\.\\pipe\\W\\X"},
      {L"\\\\?\\C:\\L.TXT", L"\\\\?\\C:", L"L.TXT", L"\\\\?\\C:", L"\\\\?\\C:\\L.TXT"},
      // Written as it was: no name trimmed, no dots resolved, no / turned.
      {L"C:\\W \\L.TXT", L"C:\\W ", L"L.TXT", L"C:\\", L"C:\\W \\L.TXT"},
      {L"C:\\A/B /L.TXT", L"C:\\", L"A/B /L.TXT", L"C:\\", L"C:\\A/B /L.TXT"},
      {L"C:\\A\\..\\B\\.\\L", L"C:\\A\\..\\B\\.", L"L", L"C:\\", L"C:\\A\\..\\B\\.\\L"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
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
  // Where a fully qualified path may start in a line of text: drive letters
  // at both ends of the alphabet, and what is beside them.
  const std::wstring line = L"x C:\\A A:\\ z:\\ @:\\ [:\\ `:\\ {:\\ \\\\s C:";
  for (std::size_t at = 0; at <= line.size(); ++at) {
    EXPECT_EQ(WinPath::StartsAt(line, at), at == 2 || at == 7 || at == 11 || at == 31) << at;
  }
}

}  // namespace
}  // namespace tarnweld
