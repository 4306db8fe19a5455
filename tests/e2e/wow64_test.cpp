// What only the shipped 32-bit programs do on 64-bit Windows: read the
// 32-bit registry view. Runs as a 32-bit process in a 64-bit prefix.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class Wow64 : public EntryFixture {
 protected:
  void SetUp() override {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
        << "this suite must run as a 32-bit process on a 64-bit system";
  }
};

TEST_F(Wow64, EntryOfThe32BitViewIsRemovedAndOneOnlyIn64BitViewIsNot) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  Install(unwise, folder_ / L"INSTALL.LOG");  // this process's view: the 32-bit one
  EXPECT_EQ(RunTarnweld(Tail()).exit_code, 0u);
  EXPECT_TRUE(ReadRecord(unwise));

  const std::wstring other = folder_ / L"Other\\UNWISE.EXE";
  PlaceStandIn(other);
  UninstallEntry only64(Tail() + L" 64", KEY_WOW64_64KEY);
  only64.SetString(other + L" " + (folder_ / L"INSTALL.LOG"));
  EXPECT_EQ(RunTarnweld(Tail() + L" 64").exit_code, 0u);
  EXPECT_FALSE(ReadRecord(other, 500));
}

TEST_F(Wow64, InventoryListsBothViewsAndWhichOneTarnweldReads) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  Install(unwise, folder_ / L"INSTALL.LOG");
  UninstallEntry only64(Tail() + L" 64", KEY_WOW64_64KEY);
  only64.SetString(unwise + L" " + (folder_ / L"INSTALL.LOG"));
  const Captured run = RunCaptured(CheckExe(), L"/all /json");
  ASSERT_EQ(run.exit_code, 0u) << run.err;
  std::map<std::string, nlohmann::json> ours;
  const std::wstring tail = Tail();
  const std::string prefix(tail.begin(), tail.end());
  for (const auto& entry : nlohmann::json::parse(run.out)) {
    const std::string name = entry["entry"];
    if (name.rfind(prefix, 0) == 0) ours[entry["view"]] = entry;
  }
  ASSERT_EQ(ours.size(), 2u) << run.out;
  EXPECT_EQ(ours["32-bit"]["readByTarnweld"], true);
  EXPECT_EQ(ours["32-bit"]["verdict"], "would-launch");
  EXPECT_EQ(ours["64-bit"]["readByTarnweld"], false);
  EXPECT_EQ(ours["64-bit"]["entry"], prefix + " 64");
}

}  // namespace
}  // namespace tarnweld::e2e
