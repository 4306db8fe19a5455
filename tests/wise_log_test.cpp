#include "core/wise_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld::wise_log {
namespace {

using ::testing::ElementsAreArray;

// "4 file C:\A\X.EXE", "2 registry Software\Old HKLM name=Path restore",
// "? 7 Delete File: C:\X": what the parser made of a log, line by line.
std::vector<std::wstring> Read(const std::string& bytes, bool double_byte = false) {
  fake::FakePlatform os;
  os.double_byte = double_byte;
  const WiseLog log = Parse(bytes, os, WinPath::Qualified(L"C:\\WINDOWS"));
  std::vector<std::wstring> read;
  for (const Order& order : log.orders) {
    std::wstring line =
        std::to_wstring(order.line) + L" " + KindName(order.kind) + L" " + order.path;
    if (order.root) line += std::wstring(L" ") + RootName(*order.root);
    if (order.name) line += L" name=" + *order.name;
    if (order.restore) line += L" restore";
    read.push_back(line);
  }
  for (const NotUnderstood& line : log.not_understood) {
    read.push_back(L"? " + std::to_wstring(line.line) + L" " + line.text);
  }
  for (const std::size_t line : log.undecoded)
    read.push_back(L"undecoded " + std::to_wstring(line));
  return read;
}

// A character of the fake code page 932: lead and trail byte.
std::wstring Kanji(unsigned lead, unsigned trail) {
  return std::wstring(1, static_cast<wchar_t>(0x4E00 + ((lead << 8 | trail) & 0x0FFF)));
}

TEST(WiseLog, EachLineAsTheUninstallerReadsIt) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::wstring> read;
    bool double_byte = false;
  };
  const Case cases[] = {
      {"file lines end their path at the first ' | '",
       "File Copy: C:\\APP\\A B.EXE | 07-16-2024 | 10:42:00 | 1.0.0.0 | 12345 | 1A2B\r\n"
       "File Overwrite: C:\\APP\\B.DLL | 01-01-1999 | 0\r\n",
       {L"1 file C:\\APP\\A B.EXE", L"2 overwritten C:\\APP\\B.DLL"}},
      {"no other line is split there",
       "Execute path: C:\\A\\B.EXE a | b\nMade Dir: C:\\A | B\n",
       {L"1 run C:\\A\\B.EXE a | b", L"2 folder C:\\A | B"}},
      {"every letter case and both spellings",
       "execute path: C:\\A.EXE /U\nExecute Path: C:\\B.EXE\nEXECUTE PROGRAM: C:\\C.EXE\n"
       "file tree: C:\\T\\*.*\nSELF-REGISTER: C:\\A\\X.OCX\nshell link: C:\\L.LNK\n",
       {L"1 run C:\\A.EXE /U", L"2 run C:\\B.EXE", L"3 run C:\\C.EXE", L"4 tree C:\\T\\*.*",
        L"5 self-register C:\\A\\X.OCX", L"6 link C:\\L.LNK"}},
      {"files of the Windows, System and System32 folders are kept, not those below",
       "File Copy: C:\\WINDOWS\\SYSTEM\\X.DLL | 1\nFile Copy: c:\\windows\\system32\\Y.DLL\n"
       "File Copy: C:\\WINDOWS\\Z.INI\nFile Copy: C:\\WINDOWS\\SYSTEM32\\DRIVERS\\D.SYS\n"
       "File Overwrite: C:\\WINDOWS\\W.INI\n",
       {L"1 kept C:\\WINDOWS\\SYSTEM\\X.DLL", L"2 kept c:\\windows\\system32\\Y.DLL",
        L"3 kept C:\\WINDOWS\\Z.INI", L"4 file C:\\WINDOWS\\SYSTEM32\\DRIVERS\\D.SYS",
        L"5 overwritten C:\\WINDOWS\\W.INI"}},
      {"Non-System File: covers the file lines up to a line of another kind",
       "Non-System File:\nFile Copy: C:\\WINDOWS\\SYSTEM\\A.DLL\n"
       "File Overwrite: C:\\WINDOWS\\SYSTEM\\B.DLL\nFile Copy: C:\\WINDOWS\\SYSTEM\\C.DLL\n"
       "Made Dir: C:\\X\nFile Copy: C:\\WINDOWS\\SYSTEM\\D.DLL\nNon-System File:\nOdd\n"
       "File Copy: C:\\WINDOWS\\SYSTEM\\E.DLL\n",
       {L"2 file C:\\WINDOWS\\SYSTEM\\A.DLL", L"3 overwritten C:\\WINDOWS\\SYSTEM\\B.DLL",
        L"4 file C:\\WINDOWS\\SYSTEM\\C.DLL", L"5 folder C:\\X",
        L"6 kept C:\\WINDOWS\\SYSTEM\\D.DLL", L"9 kept C:\\WINDOWS\\SYSTEM\\E.DLL", L"? 8 Odd"}},
      {"sessions appended, information, blank lines, CRLF and LF",
       "***  Installation Started 07/16/2024 10:42  ***\r\nTitle: Old App\r\n"
       "Source: C:\\SETUP\\SETUP.EXE | 1\r\nBackup Copy: C:\\B\r\nVersion: 1.0\r\n"
       "User Rights: 1\r\nSystem Restore: 0\r\n\r\nFile Copy: C:\\A\\X.EXE\r\n"
       "Shell Link: C:\\L\\A.LNK\r\nLink Info: x\r\n   \r\ninstallation aborted\n"
       "***  Installation Started 08/01/2024 09:00  ***\nFile Copy: C:\\A\\X.EXE",
       {L"9 file C:\\A\\X.EXE", L"10 link C:\\L\\A.LNK", L"15 file C:\\A\\X.EXE"}},
      {"a registry record, %1 literal, its value named",
       "RegDB Key: Software\\Old\nRegDB Val: \"%1\" x\nRegDB Name: Path\nRegDB Root: 2\n",
       {L"1 registry Software\\Old HKLM name=Path"}},
      {"no Root line means HKCR, no Name line the default value",
       "RegDB Key: .old\nRegDB Val: OldFile\nRegDB Type: 0\n",
       {L"1 registry .old HKCR name="}},
      {"an old value is restored",
       "RegDB Key: Software\\A\nRegDB Val: 2\nRegDB Old: 1\nRegDB Name: N\nRegDB Root: 1\n",
       {L"1 registry Software\\A HKCU name=N restore"}},
      {"whole keys, records back to back",
       "RegDB Tree: Software\\Old\nRegDB Root: 3\nRegDB Key: B\nRegDB Root: 0\n",
       {L"1 registry-tree Software\\Old HKU", L"3 registry B HKCR name="}},
      {"records the uninstaller cannot place",
       "RegDB Key: K\nRegDB Root: 7\nMade Dir: C:\\A\nRegDB Val: x\nRegDB Root: 2\n",
       {L"3 folder C:\\A", L"? 1 RegDB Key: K", L"? 4 RegDB Val: x", L"? 5 RegDB Root: 2"}},
      {"lines not understood are counted",
       "Something odd\nDelete File: C:\\X\nMade Dir C:\\A\nMade Dir:   C:\\B\n",
       {L"4 folder C:\\B", L"? 1 Something odd", L"? 2 Delete File: C:\\X", L"? 3 Made Dir C:\\A"}},
      {"code page 932: a 0x5C trail byte is no backslash",
       "File Copy: C:\\WINDOWS\\SYSTEM\\\x95\x5C"
       "X.DLL | 1\n",
       {L"1 kept C:\\WINDOWS\\SYSTEM\\" + Kanji(0x95, 0x5C) + L"X.DLL"},
       true},
      {"code page 932: a 0x7C trail byte is no field separator",
       "File Copy: C:\\A\\\x83| B.TXT | 1\nExecute path: C:\\\x83|.EXE\n",
       {L"1 file C:\\A\\" + Kanji(0x83, 0x7C) + L" B.TXT",
        L"2 run C:\\" + Kanji(0x83, 0x7C) + L".EXE"},
       true},
      // Indented below this line, the files not copied over newer ones; nowhere else.
      {"files not copied",
       " File Copy: C:\\A\\U.DLL\nVersion: Following file not copied.\n"
       " File Overwrite: C:\\A\\X.DLL | 1\n  File Copy: C:\\A\\Y.DLL\n\tFile Copy: C:\\A\\Z.DLL\n"
       " Made Dir: C:\\A\\D\n File Copy: C:\\A\\S.DLL\nVersion: Following file not copied.\n"
       "File Copy: C:\\A\\W.DLL\n File Copy: C:\\A\\V.DLL\nVersion: 1.0\n File Copy: C:\\B\n",
       {L"3 not-copied C:\\A\\X.DLL", L"4 not-copied C:\\A\\Y.DLL", L"5 not-copied C:\\A\\Z.DLL",
        L"9 file C:\\A\\W.DLL", L"? 1  File Copy: C:\\A\\U.DLL", L"? 6  Made Dir: C:\\A\\D",
        L"? 7  File Copy: C:\\A\\S.DLL", L"? 10  File Copy: C:\\A\\V.DLL",
        L"? 12  File Copy: C:\\B"}},
      {"bytes that do not decode",
       "File Copy: C:\\A\x81\nFile Copy: C:\\B\n",
       {L"2 file C:\\B", L"? 1 ", L"undecoded 1"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THAT(Read(c.bytes, c.double_byte), ElementsAreArray(c.read));
  }
}

// Only CRLF ends a line the uninstaller reads, and the last may lack an end;
// the kinds and their words are in the judgement's table.
TEST(WiseLog, TheFirstLineEndTheUninstallerDoesNotRead) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"\r\n", 0}, {"A\r\nB", 0}, {"\n\r\n", 1}, {"A\r\r\n", 1}, {"A\r\nB\r", 2}};
  for (const auto& [bytes, line] : cases) {
    SCOPED_TRACE(line);
    const std::optional<LineEndFault> fault = FindLineEndFault(bytes);
    EXPECT_EQ(fault ? fault->line : 0, line);
  }
}

}  // namespace
}  // namespace tarnweld::wise_log
