// Tarnweld.exe's trace as a debugger sees it.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class Trace : public EntryFixture {};

TEST_F(Trace, DebuggerSeesTheVerdictAndThePathsChecked) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  const std::wstring log = folder_ / L"INSTALL.LOG";
  Install(unwise, log);
  const auto lines = DebugStrings(TarnweldExe(), Tail() + L" ");
  std::string all;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind("Tarnweld: ", 0), 0u) << line;
    all += line + "\n";
  }
  // Every line arrives, in order, up to the last one.
  std::size_t at = 0;
  for (const std::string& expected :
       {"tail [" + Ascii(Tail()) + " ]", "lookup [" + Ascii(Tail()) + " ]: no such entry",
        "uninstaller [" + Ascii(unwise) + "]: a normal file",
        "log [" + Ascii(log) + "]: a normal file", std::string("verdict: would-launch"),
        std::string("started process"), std::string("wait ended: the uninstaller has gone"),
        std::string("done after")}) {
    const std::size_t found = all.find(expected, at);
    EXPECT_NE(found, std::string::npos) << expected << "\n" << all;
    if (found != std::string::npos) at = found;
  }
  EXPECT_TRUE(ReadRecord(unwise));
}

// A listener that has registered the debug-output buffer and never takes a
// line: OutputDebugString waits up to 10 s for it, on every line.
class StalledListener {
 public:
  StalledListener()
      : buffer_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                   L"DBWIN_BUFFER")),
        buffer_ready_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")),
        data_ready_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")) {}
  ~StalledListener() {
    for (HANDLE handle : {buffer_, buffer_ready_, data_ready_}) {
      if (handle) CloseHandle(handle);
    }
  }
  bool ready() const { return buffer_ && buffer_ready_ && data_ready_; }

 private:
  HANDLE buffer_, buffer_ready_, data_ready_;
};

TEST_F(Trace, AStalledListenerCostsTheRemovalNoMoreThanAMoment) {
  const std::wstring unwise = folder_ / L"UNWISE.EXE";
  Install(unwise, folder_ / L"INSTALL.LOG");
  const RunResult normal = RunEnding(Tail());
  ASSERT_TRUE(ReadRecord(unwise));
  DeleteFileW((unwise + L".record").c_str());
  const StalledListener listener;
  ASSERT_TRUE(listener.ready());
  const RunResult stalled = RunEnding(Tail());
  EXPECT_TRUE(ReadRecord(unwise));
  EXPECT_LT(stalled.elapsed_ms, normal.elapsed_ms + Scaled(1000));
}

}  // namespace
}  // namespace tarnweld::e2e
