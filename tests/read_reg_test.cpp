#include "queries/read_reg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::FakeValue;
using fake::Narrow;

class UninstallStringTest : public ::testing::Test {
 protected:
  std::wstring Read(const std::string& stored) {
    os_.AddUninstallValue("App", stored);
    return Query();
  }
  std::wstring Query() {
    const std::wstring value = ReadReg::GetUninstallString(os_.os(), L"App");
    EXPECT_EQ(os_.open_handles, 0) << "the key must be closed on every path";
    return value;
  }
  FakeValue& Value() { return *os_.keys.begin()->second; }

  FakePlatform os_;
};

TEST_F(UninstallStringTest, TextEndsAtFirstNulOrKeepsEveryByteWithoutOne) {
  EXPECT_EQ(Read(std::string("C:\\UNWISE.EXE C:\\L.TXT\0", 24)), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(Read("C:\\UNWISE.EXE C:\\L.TXT"), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(Read(std::string("AB\0CD\0", 6)), L"AB");
  EXPECT_EQ(os_.decoded.back(), "AB") << "bytes are cut before conversion";
}

TEST_F(UninstallStringTest, EmptyWhenSizeIsZeroOrOne) {
  EXPECT_EQ(Read(""), L"");
  EXPECT_EQ(Read(std::string(1, '\0')), L"");
}

TEST_F(UninstallStringTest, ValuesOfAnyLengthAreReadWhole) {
  const std::string fits(254, 'a');
  EXPECT_EQ(Read(fits + '\0'), std::wstring(254, L'a'));
  EXPECT_EQ(os_.query_sizes, (std::vector<std::uint32_t>{255}));

  os_.query_sizes.clear();
  const std::string long_value(299, 'b');
  EXPECT_EQ(Read(long_value + '\0'), std::wstring(299, L'b'));
  EXPECT_EQ(os_.query_sizes, (std::vector<std::uint32_t>{255, 300}));

  const std::string huge(64 * 1024, 'c');
  EXPECT_EQ(Read(huge), std::wstring(huge.size(), L'c'));
  EXPECT_EQ(Read(std::string(255, 'd')), std::wstring(255, L'd'));
}

TEST_F(UninstallStringTest, UnreadableValueGivesEmptyText) {
  os_.keys["Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App"] = std::nullopt;
  EXPECT_EQ(Query(), L"");

  os_.AddUninstallValue("App", "C:\\UNWISE.EXE C:\\L.TXT");
  Value().forced_status = 5;  // access denied on the value alone
  Value().forced_size = 255;
  EXPECT_EQ(Query(), L"");

  Value().forced_status = 234;  // "more data", yet no larger size
  Value().forced_size = 100;
  EXPECT_EQ(Query(), L"");
}

TEST_F(UninstallStringTest, ValueThatKeepsGrowingIsGivenUpOn) {
  os_.AddUninstallValue("App", std::string(300, 'e'));
  Value().growth_per_query = std::string(100, 'e');
  EXPECT_EQ(Query(), L"");
  EXPECT_EQ(os_.query_sizes.size(), 4u);
}

TEST_F(UninstallStringTest, NamesTheAnsiCallCannotCarryOpenNothing) {
  os_.AddUninstallValue("App", "x");
  EXPECT_EQ(ReadReg::GetUninstallString(os_.os(), L"App\x0100"), L"");
  EXPECT_EQ(ReadReg::GetUninstallString(os_.os(), std::wstring(L"App\0x", 5)), L"");
  EXPECT_TRUE(os_.opened_paths.empty());
}

}  // namespace
}  // namespace tarnweld

namespace tarnweld {
namespace {

using fake::FakePlatform;

bool RunningAmong(const std::vector<platform::ImageName>& processes) {
  FakePlatform os;
  os.processes = [&](std::uint32_t) { return processes; };
  const bool running = ReadReg::IsUninstallerRunning(os.os());
  EXPECT_EQ(os.open_handles, 0) << "the snapshot must be closed";
  return running;
}

std::vector<platform::ImageName> Named(std::initializer_list<const char*> names) {
  std::vector<platform::ImageName> list;
  for (const char* name : names) list.push_back(FakePlatform::Image(name));
  return list;
}

TEST(UninstallerRunning, WholeImageNameInAnyLetterCase) {
  for (const char* name : {"UNWISE.EXE", "Unwise.exe", "unwise.exe"}) {
    EXPECT_TRUE(RunningAmong(Named({"System", "explorer.exe", name}))) << name;
    EXPECT_TRUE(RunningAmong(Named({name, "explorer.exe"}))) << "first entry: " << name;
  }
  EXPECT_TRUE(RunningAmong(Named({"unwise.exe", "UNWISE.EXE", "x.exe"})));
  for (const char* name : {"unwise.exe.tmp", "xunwise.exe", "unwise", "C:\\W\\UNWISE.EXE",
                           " unwise.exe", "unw\xc4\xb1se.exe"}) {
    EXPECT_FALSE(RunningAmong(Named({"System", name}))) << name;
  }
  EXPECT_FALSE(RunningAmong({}));
}

TEST(UninstallerRunning, NameFieldWithoutNulMatchesNothingYetTheScanGoesOn) {
  EXPECT_FALSE(RunningAmong({FakePlatform::ImageWithoutNul('u')}));
  EXPECT_TRUE(
      RunningAmong({FakePlatform::ImageWithoutNul('u'), FakePlatform::Image("unwise.exe")}));
}

TEST(UninstallerRunning, FailuresAnswerFalseAndCloseWhatWasOpened) {
  FakePlatform no_snapshot;
  no_snapshot.snapshot_fails = true;
  EXPECT_FALSE(ReadReg::IsUninstallerRunning(no_snapshot.os()));
  EXPECT_EQ(no_snapshot.handles_ever_opened, 0);

  FakePlatform no_first_entry;
  no_first_entry.first_entry_fails = true;
  no_first_entry.processes = [](std::uint32_t) { return Named({"unwise.exe"}); };
  EXPECT_FALSE(ReadReg::IsUninstallerRunning(no_first_entry.os()));
  EXPECT_EQ(no_first_entry.handles_ever_opened, 1);
  EXPECT_EQ(no_first_entry.open_handles, 0);
}

}  // namespace
}  // namespace tarnweld
