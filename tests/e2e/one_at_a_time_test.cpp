// Removals started side by side, as overlapping deployments start them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class OneAtATime : public EntryFixture {
 protected:
  // A stand-in that works for `linger_ms` and removes `entry` when done.
  std::wstring Uninstaller(const std::wstring& folder, const std::wstring& entry, DWORD linger_ms,
                           const std::wstring& name = L"UNWISE.EXE") {
    const std::wstring unwise = folder_ / (folder + L"\\" + name);
    PlaceStandIn(unwise, linger_ms);
    WriteFile(folder_ / (folder + L"\\INSTALL.LOG"));
    WriteFile(folder_ / (folder + L"\\remove-entry.txt"), Ascii(entry));
    return unwise;
  }

  static int Starts(const std::wstring& unwise) {
    int lines = 0;
    if (FILE* in = _wfopen((unwise + L".starts").c_str(), L"rb")) {
      for (int c; (c = std::fgetc(in)) != EOF;) lines += c == '\n';
      std::fclose(in);
    }
    return lines;
  }

  // When the stand-in at `unwise` ended, as it wrote it (a performance
  // counter reading, like the start in its record).
  static long long Ended(const std::wstring& unwise) {
    long long moment = 0;
    if (FILE* in = _wfopen((unwise + L".exit").c_str(), L"rb")) {
      if (std::fscanf(in, "%lld", &moment) != 1) moment = 0;
      std::fclose(in);
    }
    return moment;
  }

  static bool EntryExists(const std::wstring& name) {
    HKEY key = nullptr;
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
};

TEST_F(OneAtATime, TwoRunsOnOneEntryStartTheUninstallerOnce) {
  // Recognised in the command, but no process of that name is looked for:
  // only the removal lock keeps the two runs apart.
  const std::wstring unwise = Uninstaller(L"Wise", Tail(), Scaled(3000), L"XUNWISE.EXE");
  entry_.SetString(unwise + L" " + (folder_ / L"Wise\\INSTALL.LOG"));
  Process first(TarnweldExe(), TarnweldCommandLine(Tail()));
  Process second(TarnweldExe(), TarnweldCommandLine(Tail()));
  const auto record = ReadRecord(unwise, 10000);
  ASSERT_TRUE(record);
  const long long uninstaller_ended = MomentWhenEnded(record->process_id, 20000);
  const RunResult a = first.Wait(30000), b = second.Wait(30000);
  ASSERT_TRUE(a.finished && b.finished);
  EXPECT_EQ(a.exit_code, 0u);
  EXPECT_EQ(b.exit_code, 0u);
  EXPECT_EQ(Starts(unwise), 1) << "a second uninstaller ran beside the first";
  // The one that waited took its turn once the other's wait was over, and
  // found the entry gone.
  EXPECT_GE(std::min(a.exited_at, b.exited_at), uninstaller_ended);
  EXPECT_FALSE(EntryExists(Tail()));
}

TEST_F(OneAtATime, TwoEntriesAreRemovedOneAfterTheOther) {
  const std::wstring other = Tail() + L" other";
  UninstallEntry second_entry(other);
  const std::wstring first_unwise = Uninstaller(L"First", Tail(), Scaled(2000));
  const std::wstring second_unwise = Uninstaller(L"Second", other, Scaled(2000));
  entry_.SetString(first_unwise + L" " + (folder_ / L"First\\INSTALL.LOG"));
  second_entry.SetString(second_unwise + L" " + (folder_ / L"Second\\INSTALL.LOG"));
  Process first(TarnweldExe(), TarnweldCommandLine(Tail()));
  Process second(TarnweldExe(), TarnweldCommandLine(other));
  const RunResult a = first.Wait(30000), b = second.Wait(30000);
  ASSERT_TRUE(a.finished && b.finished);
  const auto first_record = ReadRecord(first_unwise, 1000);
  const auto second_record = ReadRecord(second_unwise, 1000);
  ASSERT_TRUE(first_record && second_record) << "each entry is removed";
  EXPECT_EQ(Starts(first_unwise), 1);
  EXPECT_EQ(Starts(second_unwise), 1);
  const long long first_ended = Ended(first_unwise), second_ended = Ended(second_unwise);
  ASSERT_TRUE(first_ended && second_ended);
  EXPECT_TRUE(first_ended <= second_record->started_at || second_ended <= first_record->started_at)
      << "the two uninstallers worked at the same time";
  EXPECT_FALSE(EntryExists(Tail()));
  EXPECT_FALSE(EntryExists(other));
}

}  // namespace
}  // namespace tarnweld::e2e
