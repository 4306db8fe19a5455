// Hostile registry values and command lines: each ends with status 0, no
// crash, nothing written, and a launch only where the rules call for one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

// Every file below `folder`, with its size, to notice anything written.
std::vector<std::wstring> Listing(const std::wstring& folder) {
  std::vector<std::wstring> entries;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    entries.push_back(path + L" " + std::to_wstring(found.nFileSizeLow));
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (auto& child : Listing(path)) entries.push_back(child);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

class Hostile : public EntryFixture {
 protected:
  Hostile() : unwise_(folder_ / L"UNWISE.EXE"), log_(folder_ / L"INSTALL.LOG") {
    PlaceStandIn(unwise_);
    WriteFile(log_);
  }

  // Runs Tarnweld.exe on `tail` and checks that it ended cleanly, wrote
  // nothing, and launched the uninstaller exactly when `launch_expected`.
  std::optional<Record> RunExpecting(bool launch_expected, const std::wstring& tail) {
    const auto before = Listing(folder_.path());
    const RunResult run = RunTarnweld(tail, 20000);
    EXPECT_TRUE(run.finished) << "hung, or a dialog is waiting";
    EXPECT_EQ(run.exit_code, 0u);
    const auto record = ReadRecord(unwise_, launch_expected ? 3000 : 300);
    EXPECT_EQ(record.has_value(), launch_expected);
    auto after = Listing(folder_.path());
    if (record) {
      // What the stand-in itself writes.
      after.erase(
          std::remove_if(after.begin(), after.end(),
                         [&](const std::wstring& e) {
                           for (const wchar_t* own : {L".record ", L".exit ", L".starts "}) {
                             if (e.rfind(unwise_ + own, 0) == 0) return true;
                           }
                           return false;
                         }),
          after.end());
    }
    EXPECT_EQ(after, before) << "something was written";
    return record;
  }
  std::optional<Record> RunExpecting(bool launch_expected) {
    return RunExpecting(launch_expected, Tail());
  }

  std::wstring Command() const { return unwise_ + L" " + log_; }

  void SetRaw(DWORD type, const std::wstring& value) {
    entry_.SetRaw(type, value.data(), static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  }

  std::wstring unwise_, log_;
};

// Values of every length and type: only a string that holds the command
// starts it, as stored.
TEST_F(Hostile, ValuesOfAnyTypeAndLength) {
  std::mt19937 random(20261207);
  std::wstring bytes(2048, L'\0');
  for (auto& b : bytes) b = static_cast<wchar_t>(random());
  const DWORD number = 0x53495755;  // "UWIS"
  struct Case {
    const char* what;
    DWORD type;
    std::wstring value;
    bool launched;
  };
  const Case cases[] = {
      {"the first of several strings", REG_MULTI_SZ,
       Command() + std::wstring(L"\0C:\\other\\UNWISE.EXE x\0\0", 25), true},
      {"64 KiB, trimmed", REG_SZ, Command() + std::wstring(32 * 1024, L' ') + L'\0', true},
      {"a 64 KiB path", REG_SZ, Command() + std::wstring(32 * 1024, L'x') + L'\0', false},
      {"random bytes", REG_BINARY, bytes, false},
      {"a number", REG_DWORD, std::wstring(reinterpret_cast<const wchar_t*>(&number), 2), false},
      {"spaces", REG_SZ, std::wstring(300, L' ') + L'\0', false},
      {"empty", REG_SZ, std::wstring(1, L'\0'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetRaw(c.type, c.value);
    const auto record = RunExpecting(c.launched);
    EXPECT_EQ(record ? record->command_line : L"", c.launched ? unwise_ + L" /a " + log_ : L"");
    for (const wchar_t* own : {L".record", L".exit", L".starts"}) {
      DeleteFileW((unwise_ + own).c_str());
    }
  }
}

TEST_F(Hostile, ThirtyTwoThousandCharacterTailEndsQuietly) {
  entry_.SetString(Command());
  RunExpecting(false, std::wstring(32000, L'A'));
}

TEST_F(Hostile, ControlCharactersInTheTailArePartOfTheName) {
  entry_.SetString(Command());
  RunExpecting(false, L"\x01\x02\x1b\x7f\x08 TarnweldE2E " + name_);
  UninstallEntry odd(L"TarnweldE2E \x01\x1b odd\t");
  odd.SetString(Command());
  RunExpecting(true, L"TarnweldE2E \x01\x1b odd\t");
}

}  // namespace
}  // namespace tarnweld::e2e
