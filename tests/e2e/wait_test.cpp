// Tarnweld.exe waiting for real unwise.exe processes under Wine.
#include "removal/wait.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/win/windows_platform.h"
#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

// The process list is looked at every 500 ms; one scan and Wine's
// scheduling come on top. What the uninstaller's job follows is asked about
// many times a second, so its end is noticed within a few hundredths of a
// second. Durations here are scaled (TimeScale) so that they keep their
// proportion to process start-up on a slower machine.
DWORD PromptEndMs() { return Scaled(900); }
DWORD JobEndMs() { return Scaled(400); }

// Tarnweld.exe ended after `other_ended`, and within `bound_ms` of it.
void ExpectEndedPromptlyAfter(const RunResult& run, long long other_ended,
                              DWORD bound_ms = PromptEndMs()) {
  ASSERT_NE(other_ended, 0) << "the other process's end is unknown";
  ASSERT_TRUE(run.finished);
  EXPECT_GE(run.exited_at, other_ended);
  EXPECT_LT((run.exited_at - other_ended) / 10000, bound_ms);
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
  const std::wstring unwise = Uninstaller(Scaled(3000));
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  const auto record = ReadRecord(unwise);
  ASSERT_TRUE(record);
  const long long uninstaller_ended = MomentWhenEnded(record->process_id, 10000);
  const RunResult run = tarnweld.Wait(10000);
  ExpectEndedPromptlyAfter(run, uninstaller_ended, JobEndMs());
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_GE(run.elapsed_ms, Scaled(3000));
}

TEST_F(Wait, AnyOtherUnwiseInAnyLetterCaseKeepsTheWaitGoing) {
  for (const wchar_t* name : {L"Unwise.exe", L"Unwise32.exe"}) {
    const std::wstring other = folder_ / (L"Other\\" + std::wstring(name));
    PlaceStandIn(other, Scaled(4000));
    Process running(other, L"\"" + other + L"\"");
    ASSERT_TRUE(ReadRecord(other));
    Uninstaller(0);
    Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
    const long long other_ended = MomentWhenEnded(running.id(), 10000);
    const RunResult run = tarnweld.Wait(10000);
    ExpectEndedPromptlyAfter(run, other_ended);
    EXPECT_GE(run.elapsed_ms, Scaled(2000)) << name;
  }
}

TEST_F(Wait, UninstallerThatHandsItsWorkToACopyIsWaitedForUntilTheCopyEnds) {
  const std::wstring unwise = Uninstaller(Scaled(3000));
  WriteFile(folder_ / L"Wise\\handoff.txt");
  const std::wstring copy = folder_ / L"Wise\\GLB1A2B.EXE";
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  const auto record = ReadRecord(copy);
  ASSERT_TRUE(record) << "the hand-off did not happen";
  EXPECT_EQ(record->command_line, L"\"" + copy + L"\" /a " + (folder_ / L"INSTALL.LOG"));
  const long long copy_ended = MomentWhenEnded(record->process_id, 10000);
  const RunResult run = tarnweld.Wait(10000);
  ExpectEndedPromptlyAfter(run, copy_ended, JobEndMs());
  EXPECT_GE(run.elapsed_ms, Scaled(3000));
}

// Where the uninstaller can join no job (Windows 7 and older, inside a
// deployment tool's job), the wait follows the hand-off by parent. Wine
// nests jobs, so this drives the removal's own wait without one.
TEST_F(Wait, WithoutAJobTheHandOffIsFollowedByParent) {
  const std::wstring unwise = Uninstaller(Scaled(2000));
  WriteFile(folder_ / L"Wise\\handoff.txt");
  platform::Platform& system = platform::win::WindowsPlatform();
  platform::Started started =
      system.launcher.StartSuspended({L"", L"\"" + unwise + L"\" /a x", L"", false, {}});
  ASSERT_TRUE(started.process && started.process->Resume());
  WaitEnd end;
  {
    Descendants descendants(std::move(started.process));
    trust::Principals principals(system.sources.accounts, system.sources.system, system.clock);
    end = WaitForUninstaller(system, principals, nullptr, &descendants);
    EXPECT_EQ(descendants.size(), 2u) << "the uninstaller and its copy";
  }
  LARGE_INTEGER waited_until, frequency;
  QueryPerformanceCounter(&waited_until);
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(end, WaitEnd::kUninstallerGone);
  ASSERT_TRUE(ReadRecord(folder_ / L"Wise\\GLB1A2B.EXE")) << "the hand-off did not happen";
  // The copy writes the moment it ends, as a performance-counter reading.
  long long copy_ended = 0;
  if (FILE* in = _wfopen((folder_ / L"Wise\\GLB1A2B.EXE.exit").c_str(), L"rb")) {
    if (std::fscanf(in, "%lld", &copy_ended) != 1) copy_ended = 0;
    std::fclose(in);
  }
  ASSERT_NE(copy_ended, 0) << "the wait ended while the copy was still working";
  EXPECT_LT((waited_until.QuadPart - copy_ended) * 1000 / frequency.QuadPart, PromptEndMs());
}

// The hand-off starts one more process, a slow thing in an emulated guest.
TEST_F(Wait, QuickUninstallerOrHandOffLetsTarnweldEndAtOnce) {
  for (const bool hand_off : {false, true}) {
    Uninstaller(0);
    if (hand_off) WriteFile(folder_ / L"Wise\\handoff.txt");
    const RunResult run = RunTarnweld(Tail());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(ReadRecord(folder_ / L"Wise\\GLB1A2B.EXE", 300).has_value(), hand_off);
    EXPECT_LT(run.elapsed_ms, Scaled(100) + (hand_off ? 3 : 2) * PromptEndMs()) << hand_off;
  }
}

// As real Wise uninstallers were seen to do: a copy of itself started in its
// TEMP just before it exits, which ends a moment later, is waited for.
TEST_F(Wait, ACopyStartedJustBeforeTheUninstallerExitsIsWaitedForToItsEnd) {
  // Another test's copy would look like this one's.
  wchar_t own_temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, own_temp);
  for (const wchar_t* file : {L".record", L".exit"}) {
    DeleteFileW((std::wstring(own_temp) + L"GLB1a2b.EXE" + file).c_str());
  }
  for (const bool copies : {false, true}) {
    const std::wstring unwise = Uninstaller(Scaled(500));
    if (copies) WriteFile(folder_ / L"Wise\\z-copy.txt");
    DeleteFileW((unwise + L".record").c_str());
    const RunResult run = RunTarnweld(Tail());
    ASSERT_TRUE(run.finished);
    const auto record = ReadRecord(unwise);
    ASSERT_TRUE(record);
    const std::wstring temp = record->temp + (record->temp.back() == L'\\' ? L"" : L"\\");
    const std::wstring copy = temp + L"GLB1a2b.EXE";
    const auto copied = ReadRecord(copy, 300);
    ASSERT_EQ(copied.has_value(), copies) << "a copy of " << copies;
    if (!copies) continue;
    EXPECT_EQ(copied->command_line,
              L"\"" + copy + L"\" /z " + unwise + L" " + (folder_ / L"Wise\\"));
    EXPECT_NE(GetFileAttributesW((copy + L".exit").c_str()), INVALID_FILE_ATTRIBUTES)
        << "Tarnweld.exe ended before the copy";
  }
}

TEST_F(Wait, BystandersWhoseNameOnlyContainsUnwiseAreNotWaitedFor) {
  // A running xunwise.exe is not an uninstaller...
  const std::wstring bystander = folder_ / L"Other\\xunwise.exe";
  PlaceStandIn(bystander, Scaled(8000));
  Process running(bystander, L"\"" + bystander + L"\"");
  ASSERT_TRUE(ReadRecord(bystander));
  // ...but a launched XUNWISE.EXE is Tarnweld's own and is waited for, by
  // its group rather than its name.
  const std::wstring launched = Uninstaller(Scaled(2000), L"XUNWISE.EXE");
  const RunResult run = RunTarnweld(Tail());
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(ReadRecord(launched));
  EXPECT_GE(run.elapsed_ms, Scaled(2000));
  EXPECT_LT(run.elapsed_ms, Scaled(2000 + 100) + 2 * PromptEndMs());
  EXPECT_EQ(running.Wait(0).finished, false) << "the bystander is left alone";
}

TEST_F(Wait, HiddenFormAnswersAtOnceAndIgnoresCloseAndQuit) {
  const std::wstring unwise = Uninstaller(Scaled(4000));
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
    EXPECT_NE(SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, Scaled(1000), &result), 0);
    EXPECT_LT(GetTickCount() - before, Scaled(400)) << "answered between polls, not after them";
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
  EXPECT_GE(run.elapsed_ms, Scaled(4000));
}

}  // namespace
}  // namespace tarnweld::e2e
