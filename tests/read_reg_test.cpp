#include "queries/read_reg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/registry_text.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::Utf16;

// A value as RegQueryValueExW answers for it: `bytes` as stored, growing
// by `growth` after each question, or a forced status and size.
struct ScriptedValue {
  explicit ScriptedValue(std::string stored, std::string growth_each = {},
                         std::optional<long> forced_status = {}, std::uint32_t forced_size = 0)
      : bytes(std::move(stored)),
        growth(std::move(growth_each)),
        status(forced_status),
        size(forced_size) {}

  std::string bytes;
  std::string growth;
  std::optional<long> status;
  std::uint32_t size;
  std::vector<std::uint32_t> sizes_asked;

  platform::RegistryText Read() {
    return registry_text::Read([this](unsigned char* data, std::uint32_t* buffer_size) {
      sizes_asked.push_back(*buffer_size);
      if (status) {
        *buffer_size = size;
        return *status;
      }
      const std::string stored = bytes;
      bytes += growth;
      return fake::QueryStored(stored, data, buffer_size);
    });
  }
};

std::wstring TextOf(const std::string& bytes) {
  const platform::RegistryText read = ScriptedValue(bytes).Read();
  EXPECT_EQ(read.status, platform::kRegSuccess);
  return read.text;
}
std::wstring TextOf(const std::wstring& stored) { return TextOf(Utf16(stored)); }

TEST(RegistryText, EndsAtFirstNulOrKeepsEveryCharacterWithoutOne) {
  EXPECT_EQ(TextOf(std::wstring(L"C:\\UNWISE.EXE C:\\L.TXT\0", 23)), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(TextOf(std::wstring(L"C:\\UNWISE.EXE C:\\L.TXT")), L"C:\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(TextOf(std::wstring(L"AB\0CD\0", 6)), L"AB");
  // A trailing odd byte is no character.
  EXPECT_EQ(TextOf(Utf16(L"AB") + "C"), L"AB");
  EXPECT_EQ(TextOf(std::string("C")), L"");
}

TEST(RegistryText, IsReadAsStoredOutsideAnyCodePage) {
  // A fullwidth A stays itself: no best-fit turns it into C:\App.
  const std::wstring stored = L"C:\\\xFF21pp\\UNWISE.EXE C:\\\x0394\\\x6587.LOG";
  EXPECT_EQ(TextOf(stored), stored);
  EXPECT_EQ(TextOf(std::wstring(L"\xD83D\xDE00")), L"\xD83D\xDE00");
}

TEST(RegistryText, EmptyWhenSizeIsZeroOrOneCharacter) {
  EXPECT_EQ(TextOf(std::string()), L"");
  EXPECT_EQ(TextOf(std::string(2, '\0')), L"");
}

TEST(RegistryText, ValuesOfAnyLengthAreReadWhole) {
  const std::wstring fits(255, L'a');
  ScriptedValue short_value(Utf16(fits + L'\0'));
  EXPECT_EQ(short_value.Read().text, fits);
  EXPECT_EQ(short_value.sizes_asked, (std::vector<std::uint32_t>{512}));

  const std::wstring long_text(299, L'b');
  ScriptedValue long_value(Utf16(long_text + L'\0'));
  EXPECT_EQ(long_value.Read().text, long_text);
  EXPECT_EQ(long_value.sizes_asked, (std::vector<std::uint32_t>{512, 600}));

  const std::wstring huge(64 * 1024, L'c');
  EXPECT_EQ(TextOf(huge), huge);
  EXPECT_EQ(TextOf(std::wstring(256, L'd')), std::wstring(256, L'd'));
}

TEST(RegistryText, UnreadableValueGivesEmptyTextAndItsStatus) {
  ScriptedValue denied(Utf16(L"C:\\UNWISE.EXE C:\\L.TXT"), {}, 5, 255);
  const platform::RegistryText read = denied.Read();
  EXPECT_EQ(read.status, 5);
  EXPECT_EQ(read.text, L"");

  // "More data", yet no larger size.
  ScriptedValue confused(Utf16(L"C:\\UNWISE.EXE C:\\L.TXT"), {}, 234, 100);
  EXPECT_EQ(confused.Read().status, 234);
  EXPECT_EQ(confused.sizes_asked.size(), 1u);
}

TEST(RegistryText, ValueThatKeepsGrowingIsGivenUpOn) {
  ScriptedValue growing(std::string(600, 'e'), std::string(400, 'e'));
  const platform::RegistryText read = growing.Read();
  EXPECT_EQ(read.status, platform::kRegMoreData);
  EXPECT_EQ(read.text, L"");
  EXPECT_EQ(growing.sizes_asked.size(), 4u);
}

class UninstallEntryTest : public ::testing::Test {
 protected:
  ReadReg::UninstallEntry Read(
      const std::wstring& name,
      ReadReg::EntryValues values = ReadReg::EntryValues::kUninstallString) {
    const auto entry =
        ReadReg::ReadUninstallEntry(os_, name, platform::RegistryView::kProgram, values);
    EXPECT_EQ(os_.open_handles, 0) << "the key must be closed on every path";
    return entry;
  }
  FakePlatform os_;
};

TEST_F(UninstallEntryTest, UnreadableValueGivesEmptyTextAndItsStatus) {
  os_.keys[fake::UninstallKey(L"App")] = {};
  EXPECT_EQ(ReadReg::GetUninstallString(os_, L"App"), L"");
  EXPECT_EQ(Read(L"App").read_status, 2);

  os_.AddUninstallValue(L"App", "C:\\UNWISE.EXE C:\\L.TXT");
  os_.keys[fake::UninstallKey(L"App")][L"UninstallString"].forced_status = 5;
  EXPECT_EQ(ReadReg::GetUninstallString(os_, L"App"), L"");
  const auto denied = Read(L"App");
  EXPECT_TRUE(denied.found());
  EXPECT_FALSE(denied.read());
}

TEST_F(UninstallEntryTest, NamesAreOpenedExactlyOrNotAtAll) {
  os_.AddUninstallValue(L"App\x0100", "x");
  EXPECT_EQ(ReadReg::GetUninstallString(os_, L"App\x0100"), L"x");
  // A NUL would cut the key path short.
  EXPECT_EQ(ReadReg::GetUninstallString(os_, std::wstring(L"App\0x", 5)), L"");
  EXPECT_EQ(os_.opened_paths, std::vector<std::wstring>{fake::UninstallKey(L"App\x0100")});
}

// An inventory reads what it shows with the command, from one opening.
TEST_F(UninstallEntryTest, DisplayValuesOnlyWhenAskedForAndFromTheSameOpening) {
  os_.AddUninstallValue(L"App", "C:\\W\\UNWISE.EXE C:\\L.TXT");
  auto& values = os_.keys[fake::UninstallKey(L"App")];
  values[L"DisplayName"] = fake::TextValue(L"Old App");
  values[L"Publisher"] = {"", 5};

  EXPECT_EQ(Read(L"App").display.name, L"");
  EXPECT_THAT(os_.events, ::testing::Not(::testing::Contains("query DisplayName")));

  os_.events.clear();
  const auto entry = Read(L"App", ReadReg::EntryValues::kWithDisplay);
  EXPECT_EQ(entry.uninstall_string, L"C:\\W\\UNWISE.EXE C:\\L.TXT");
  EXPECT_EQ(entry.display.name, L"Old App");
  EXPECT_EQ(entry.display.version, L"") << "missing";
  EXPECT_EQ(entry.display.publisher, L"") << "unreadable";
  EXPECT_EQ(std::count(os_.events.begin(), os_.events.end(), "open"), 1);
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
