#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace tarnweld::e2e {

// A test with an uninstall entry and a scratch folder of its own, both
// named after the test, so that no two tests share anything.
class EntryFixture : public ::testing::Test {
 protected:
  EntryFixture() : name_(TestName()), folder_(name_), entry_(Tail()) {}

  // The command-line tail that names this test's entry.
  std::wstring Tail() const { return L"TarnweldE2E " + name_; }

  // A stand-in uninstaller and a log at these paths, and "uninstaller log"
  // as the entry's command.
  void Install(const std::wstring& unwise, const std::wstring& log, DWORD linger_ms = 0) {
    PlaceStandIn(unwise, linger_ms);
    WriteFile(log);
    entry_.SetString(unwise + L" " + log);
  }

  // Runs Tarnweld.exe on `tail`; it always ends, with status 0.
  RunResult RunEnding(const std::wstring& tail) {
    const RunResult run = RunTarnweld(tail);
    EXPECT_TRUE(run.finished) << "start error " << run.start_error;
    EXPECT_EQ(run.exit_code, 0u);
    return run;
  }

  // The command line the stand-in at `unwise` was started with.
  std::wstring LaunchedLine(const std::wstring& unwise) {
    const auto record = ReadRecord(unwise);
    return record ? record->command_line : L"<not started>";
  }

  std::wstring name_;
  ScratchFolder folder_;
  UninstallEntry entry_;

 private:
  static std::wstring TestName() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(name.begin(), name.end());
  }
};

}  // namespace tarnweld::e2e
