#include "queries/read_reg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/registry_text.h"
#include "core/sized_text.h"
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

// How a value becomes text: as stored in UTF-16 up to its first NUL,
// outside any code page, at any length, or not at all.
TEST(RegistryText, AsStoredAtAnyLengthOrNotAtAll) {
  struct Case {
    const char* what;
    ScriptedValue value;
    long status;
    std::wstring text;
    std::vector<std::uint32_t> sizes = {};  // asked for; empty: not looked at
  };
  const std::wstring fullwidth = L"C:\\\xFF21pp\\UNWISE.EXE C:\\\x0394\\\x6587.LOG";
  const std::wstring a255(255, L'a'), b299(299, L'b'), c64k(65536, L'c');
  const auto stored = [](const std::wstring& text) { return ScriptedValue(Utf16(text)); };
  const Case cases[] = {
      {"ends at the first NUL", stored(std::wstring(L"C:\\U.EXE\0", 9)), 0, L"C:\\U.EXE", {512}},
      {"keeps every character without one", stored(L"C:\\U.EXE"), 0, L"C:\\U.EXE"},
      {"the first of several", stored(std::wstring(L"AB\0CD\0", 6)), 0, L"AB"},
      {"a trailing odd byte is no character", ScriptedValue(Utf16(L"AB") + "C"), 0, L"AB"},
      {"one odd byte alone", ScriptedValue("C"), 0, L""},
      {"nothing at all", ScriptedValue(""), 0, L""},
      {"a NUL alone", ScriptedValue(std::string(2, '\0')), 0, L""},
      // A fullwidth A stays itself: no best fit turns it into C:\App.
      {"outside any code page", stored(fullwidth), 0, fullwidth},
      {"a surrogate pair", stored(L"\xD83D\xDE00"), 0, L"\xD83D\xDE00"},
      {"255 and a NUL, in one query", stored(a255 + L'\0'), 0, a255, {512}},
      {"longer: asked again at its size", stored(b299 + L'\0'), 0, b299, {512, 600}},
      {"64 KiB", stored(c64k), 0, c64k},
      {"unreadable: its status, no text", ScriptedValue(Utf16(L"C:\\U.EXE"), {}, 5, 255), 5, L""},
      {"more data, no larger size", ScriptedValue(Utf16(L"x"), {}, 234, 100), 234, L"", {512}},
      {"a value that keeps growing is given up on",
       ScriptedValue(std::string(600, 'e'), std::string(400, 'e')),
       platform::kRegMoreData,
       L"",
       {512, 600, 1000, 1400}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedValue value = c.value;
    const platform::RegistryText read = value.Read();
    EXPECT_EQ(read.status, c.status);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(c.sizes.empty() ? c.sizes : value.sizes_asked, c.sizes);
  }
}

// Text whose length the call tells only afterwards, by the size it needs or
// by filling the whole buffer: grown until it fits, or given up on.
TEST(SizedText, GrownUntilItFits) {
  struct Case {
    const char* what;
    std::size_t length;  // of the text; 0 where every call fails
    bool truncates;      // answers the buffer's size, not the size needed
    std::vector<std::size_t> sizes;
    bool read;
  };
  const Case cases[] = {
      {"fits at once", 260, false, {261}, true},
      {"the size it needs", 600, false, {261, 602}, true},
      {"cut short, doubled", 600, true, {261, 522, 1044}, true},
      {"fails", 0, false, {261}, false},
      {"never fits", 1u << 20, true, {261, 522, 1044, 2088, 4176, 8352, 16704, 33408}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::size_t> sizes;
    const std::optional<std::wstring> text =
        sized_text::Read([&](wchar_t* buffer, std::size_t size) -> std::size_t {
          sizes.push_back(size);
          if (c.length >= size) return c.truncates ? size : c.length + 1;
          std::fill(buffer, buffer + c.length, L'x');
          return c.length;
        });
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(text,
              c.read ? std::optional<std::wstring>(std::wstring(c.length, L'x')) : std::nullopt);
  }
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
