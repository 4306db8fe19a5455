// Tarnweld.exe waiting for real unwise.exe processes under Wine.
#include <gtest/gtest.h>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

// The poll interval is 500 ms; one scan and Wine's scheduling come on top.
constexpr DWORD kPromptEndMs = 900;

// Waits for a process we did not start, by its identifier; the tick it ended at.
DWORD TickWhenEnded(DWORD process_id, DWORD timeout_ms) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (!process) return GetTickCount();  // already gone
  WaitForSingleObject(process, timeout_ms);
  CloseHandle(process);
  return GetTickCount();
}

class Wait : public EntryFixture {
 protected:
  // An entry whose uninstaller, `file_name`, works for `linger_ms`.
  std::wstring Uninstaller(DWORD linger_ms, const std::wstring& file_name = L"UNWISE.EXE") {
    const std::wstring unwise = folder_ / (L"Wise\\" + file_name);
    Install(unwise, folder_ / L"INSTALL.LOG", linger_ms);
    return unwise;
  }
};

TEST_F(Wait, LingeringUninstallerKeepsTarnweldUntilJustAfterItEnds) {
  const std::wstring unwise = Uninstaller(3000);
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  const auto record = ReadRecord(unwise);
  ASSERT_TRUE(record);
  const DWORD uninstaller_ended = TickWhenEnded(record->process_id, 10000);
  const RunResult run = tarnweld.Wait(10000);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_GE(run.elapsed_ms, 3000u);
  EXPECT_LT(GetTickCount() - uninstaller_ended, kPromptEndMs);
}

TEST_F(Wait, QuickUninstallerLetsTarnweldEndAtOnce) {
  Uninstaller(0);
  const RunResult run = RunTarnweld(Tail());
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_LT(run.elapsed_ms, 100u + 2 * kPromptEndMs);
}

TEST_F(Wait, AnyOtherUnwiseInAnyLetterCaseKeepsTheWaitGoing) {
  const std::wstring other = folder_ / L"Other\\Unwise.exe";
  PlaceStandIn(other, 4000);
  Process running(other, L"\"" + other + L"\"");
  ASSERT_TRUE(ReadRecord(other));
  Uninstaller(0);
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  const DWORD other_ended = TickWhenEnded(running.id(), 10000);
  const RunResult run = tarnweld.Wait(10000);
  ASSERT_TRUE(run.finished);
  EXPECT_GE(run.elapsed_ms, 2000u);
  EXPECT_LT(GetTickCount() - other_ended, kPromptEndMs);
}

TEST_F(Wait, ProcessesWhoseNameOnlyContainsUnwiseAreNotWaitedFor) {
  // A running xunwise.exe is not an uninstaller...
  const std::wstring bystander = folder_ / L"Other\\xunwise.exe";
  PlaceStandIn(bystander, 6000);
  Process running(bystander, L"\"" + bystander + L"\"");
  ASSERT_TRUE(ReadRecord(bystander));
  // ...and a launched XUNWISE.EXE is started but not waited for.
  const std::wstring launched = Uninstaller(6000, L"XUNWISE.EXE");
  const RunResult run = RunTarnweld(Tail());
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(ReadRecord(launched));
  EXPECT_LT(run.elapsed_ms, 100u + 2 * kPromptEndMs);
  EXPECT_EQ(running.Wait(0).finished, false) << "the bystander is left alone";
}

TEST_F(Wait, HiddenFormAnswersAtOnceAndIgnoresCloseAndQuit) {
  const std::wstring unwise = Uninstaller(4000);
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  ASSERT_TRUE(ReadRecord(unwise));
  const HWND form = FindWindowW(L"frmRemove", L"Remove old Wise installation");
  ASSERT_NE(form, nullptr);
  DWORD owner = 0;
  const DWORD thread = GetWindowThreadProcessId(form, &owner);
  EXPECT_EQ(owner, tarnweld.id());
  EXPECT_FALSE(IsWindowVisible(form));

  for (int i = 0; i < 3; ++i) {
    DWORD_PTR result = 0;
    const DWORD before = GetTickCount();
    EXPECT_NE(SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
    EXPECT_LT(GetTickCount() - before, 400u) << "answered between polls, not after them";
    Sleep(150);
  }

  PostMessageW(form, WM_CLOSE, 0, 0);
  PostThreadMessageW(thread, WM_QUIT, 0, 0);
  Sleep(1000);
  EXPECT_FALSE(tarnweld.Wait(0).finished) << "still waiting for the uninstaller";
  EXPECT_TRUE(IsWindow(form));
  const RunResult run = tarnweld.Wait(10000);
  EXPECT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_GE(run.elapsed_ms, 4000u);
}

}  // namespace
}  // namespace tarnweld::e2e
