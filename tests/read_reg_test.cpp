#include "queries/read_reg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::FakeValue;
using fake::Utf16;

class UninstallStringTest : public ::testing::Test {
 protected:
  // The text read from a value stored as exactly `bytes`.
  std::wstring ReadBytes(const std::string& bytes) {
    os_.keys[fake::UninstallKey(L"App")] = FakeValue{bytes, std::nullopt, 0, {}, {}};
    return Query();
  }
  std::wstring Read(const std::wstring& stored) { return ReadBytes(Utf16(stored)); }
  std::wstring Query() {
    const std::wstring value = ReadReg::GetUninstallString(os_, L"App");
    EXPECT_EQ(os_.open_handles, 0) << "the key must be closed on every path";
    return value;
  }
  FakeValue& Value() { return *os_.keys.begin()->second; }

  FakePlatform os_;
};

TEST_F(UninstallStringTest, TextEndsAtFirstNulOrKeepsEveryCharacterWithoutOne) {
  EXPECT_EQ(Read(std::wstring(L"C:\\UNWISE.EXE C:\\L.TXT\0", 23)), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(Read(L"C:\\UNWISE.EXE C:\\L.TXT"), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(Read(std::wstring(L"AB\0CD\0", 6)), L"AB");
  // A trailing odd byte is no character.
  EXPECT_EQ(ReadBytes(Utf16(L"AB") + "C"), L"AB");
  EXPECT_EQ(ReadBytes("C"), L"");
}

TEST_F(UninstallStringTest, TextIsReadAsStoredOutsideAnyCodePage) {
  // A fullwidth A stays itself: no best-fit turns it into C:\App.
  const std::wstring stored = L"C:\\\xFF21pp\\UNWISE.EXE C:\\\x0394\\\x6587.LOG";
  EXPECT_EQ(Read(stored), stored);
  EXPECT_EQ(Read(L"\xD83D\xDE00"), L"\xD83D\xDE00");
}

TEST_F(UninstallStringTest, EmptyWhenSizeIsZeroOrOneCharacter) {
  EXPECT_EQ(ReadBytes(""), L"");
  EXPECT_EQ(ReadBytes(std::string(2, '\0')), L"");
}

TEST_F(UninstallStringTest, ValuesOfAnyLengthAreReadWhole) {
  const std::wstring fits(255, L'a');
  EXPECT_EQ(Read(fits + L'\0'), fits);
  EXPECT_EQ(os_.query_sizes, (std::vector<std::uint32_t>{512}));

  os_.query_sizes.clear();
  const std::wstring long_value(299, L'b');
  EXPECT_EQ(Read(long_value + L'\0'), long_value);
  EXPECT_EQ(os_.query_sizes, (std::vector<std::uint32_t>{512, 600}));

  const std::wstring huge(64 * 1024, L'c');
  EXPECT_EQ(Read(huge), huge);
  EXPECT_EQ(Read(std::wstring(256, L'd')), std::wstring(256, L'd'));
}

TEST_F(UninstallStringTest, UnreadableValueGivesEmptyTextAndItsStatus) {
  os_.keys[fake::UninstallKey(L"App")] = std::nullopt;
  EXPECT_EQ(Query(), L"");
  EXPECT_EQ(ReadReg::ReadUninstallString(os_, L"App").read_status, 2);

  os_.AddUninstallValue(L"App", "C:\\UNWISE.EXE C:\\L.TXT");
  Value().forced_status = 5;  // access denied on the value alone
  Value().forced_size = 255;
  EXPECT_EQ(Query(), L"");
  const auto denied = ReadReg::ReadUninstallString(os_, L"App");
  EXPECT_TRUE(denied.found());
  EXPECT_FALSE(denied.read());

  Value().forced_status = 234;  // "more data", yet no larger size
  Value().forced_size = 100;
  EXPECT_EQ(Query(), L"");
}

TEST_F(UninstallStringTest, ValueThatKeepsGrowingIsGivenUpOn) {
  os_.AddUninstallValue(L"App", std::string(300, 'e'));
  Value().growth_per_query = std::string(200, 'e');
  EXPECT_EQ(Query(), L"");
  EXPECT_EQ(os_.query_sizes.size(), 4u);
}

TEST_F(UninstallStringTest, NamesAreOpenedExactlyOrNotAtAll) {
  os_.AddUninstallValue(L"App\x0100", "x");
  EXPECT_EQ(ReadReg::GetUninstallString(os_, L"App\x0100"), L"x");
  // A NUL would cut the key path short.
  EXPECT_EQ(ReadReg::GetUninstallString(os_, std::wstring(L"App\0x", 5)), L"");
  EXPECT_EQ(os_.opened_paths, std::vector<std::wstring>{fake::UninstallKey(L"App\x0100")});
}

}  // namespace
}  // namespace tarnweld

namespace tarnweld {
namespace {

using fake::FakePlatform;

bool RunningAmong(const std::vector<platform::ImageName>& processes) {
  FakePlatform os;
  os.processes = [&](std::uint32_t) { return processes; };
  const bool running = ReadReg::IsUninstallerRunning(os);
  EXPECT_EQ(os.open_handles, 0) << "the snapshot must be closed";
  return running;
}

std::vector<platform::ImageName> Named(std::initializer_list<const wchar_t*> names) {
  std::vector<platform::ImageName> list;
  for (const wchar_t* name : names) list.push_back(FakePlatform::Image(name));
  return list;
}

TEST(UninstallerRunning, WholeImageNameInAnyLetterCase) {
  for (const wchar_t* name :
       {L"UNWISE.EXE", L"Unwise.exe", L"unwise.exe", L"UNWISE32.EXE", L"Unwise32.exe"}) {
    EXPECT_TRUE(RunningAmong(Named({L"System", L"explorer.exe", name})));
    EXPECT_TRUE(RunningAmong(Named({name, L"explorer.exe"}))) << "first entry";
  }
  EXPECT_TRUE(RunningAmong(Named({L"unwise.exe", L"UNWISE.EXE", L"x.exe"})));
  for (const wchar_t* name :
       {L"unwise.exe.tmp", L"xunwise.exe", L"unwise", L"C:\\W\\UNWISE.EXE", L" unwise.exe",
        L"unw\x0131se.exe", L"\xFF55nwise.exe", L"unwise32", L"xunwise32.exe", L"unwise64.exe"}) {
    EXPECT_FALSE(RunningAmong(Named({L"System", name})));
  }
  EXPECT_FALSE(RunningAmong({}));
}

TEST(UninstallerRunning, NameFieldWithoutNulMatchesNothingYetTheScanGoesOn) {
  EXPECT_FALSE(RunningAmong({FakePlatform::ImageWithoutNul(L'u')}));
  EXPECT_TRUE(
      RunningAmong({FakePlatform::ImageWithoutNul(L'u'), FakePlatform::Image(L"unwise.exe")}));
}

TEST(UninstallerRunning, FailuresAnswerFalseAndCloseWhatWasOpened) {
  FakePlatform no_snapshot;
  no_snapshot.snapshot_fails = true;
  EXPECT_FALSE(ReadReg::IsUninstallerRunning(no_snapshot));
  EXPECT_EQ(no_snapshot.handles_ever_opened, 0);

  FakePlatform no_first_entry;
  no_first_entry.first_entry_fails = true;
  no_first_entry.processes = [](std::uint32_t) { return Named({L"unwise.exe"}); };
  EXPECT_FALSE(ReadReg::IsUninstallerRunning(no_first_entry));
  EXPECT_EQ(no_first_entry.handles_ever_opened, 1);
  EXPECT_EQ(no_first_entry.open_handles, 0);
}

}  // namespace
}  // namespace tarnweld
