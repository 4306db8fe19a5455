// What real Wise uninstallers were seen to do with a log they reject: a
// message box that waits for its button, which as SYSTEM nobody sees.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class Stuck : public EntryFixture {};

TEST_F(Stuck, ALogTheUninstallerRejectsIsRefusedBeforeAnythingStarts) {
  for (const bool crlf : {false, true}) {
    // A folder of each row's own: nothing the first row's runs opened is
    // rewritten by the second.
    const std::wstring row = folder_ / (crlf ? L"CRLF" : L"LF");
    const std::wstring unwise = row + L"\\UNWISE.EXE";
    Install(unwise, row + L"\\INSTALL.LOG");
    WriteFile(row + L"\\check-log.txt");
    WriteFile(row + L"\\INSTALL.LOG", crlf ? "Title: Old App\r\n" : "Title: Old App\n");
    const Captured check = RunCaptured(CheckExe(), Tail());
    EXPECT_EQ(check.exit_code, crlf ? 0u : 21u) << check.out;
    const RunResult run = RunEnding(Tail());
    EXPECT_EQ(ReadRecord(unwise, crlf ? 3000 : 300).has_value(), crlf)
        << "CRLF " << crlf << ", Tarnweld ran " << run.elapsed_ms << " ms";
  }
}

// The uninstallers running as TarnweldCheck reports them, those at a
// message box first.
std::vector<nlohmann::json> Running(const std::string& json) {
  const nlohmann::json report = nlohmann::json::parse(json);
  std::vector<nlohmann::json> running;
  for (const auto& process : report["running"]) {
    running.insert(process["message"].is_null() ? running.end() : running.begin(), process);
  }
  return running;
}

TEST_F(Stuck, AnUninstallerStuckAtItsMessageBoxIsNamed) {
  Install(folder_ / L"UNWISE.EXE", folder_ / L"INSTALL.LOG");
  // One at work, and one stopped at its message box; each ended, on
  // failure too, as the test ends.
  const std::wstring working = folder_ / L"Working\\UNWISE.EXE";
  PlaceStandIn(working, Scaled(60'000));
  Process at_work(working, L"\"" + working + L"\" /a x");
  const std::wstring stuck = folder_ / L"Stuck\\UNWISE.EXE";
  PlaceStandIn(stuck);
  WriteFile(folder_ / L"Stuck\\check-log.txt");
  WriteFile(folder_ / L"Stuck\\INSTALL.LOG", "Title: Old App\n");
  Process stopped(stuck, L"\"" + stuck + L"\" /a " + (folder_ / L"Stuck\\INSTALL.LOG"));
  HWND box = nullptr;
  for (int i = 0; i < 200 && !(box = FindWindowW(L"#32770", L"Wise Uninstall")); ++i) Sleep(50);
  ASSERT_NE(box, nullptr) << "the stand-in shows no message box";

  const Captured check = RunCaptured(CheckExe(), L"/json " + Tail());
  const std::vector<nlohmann::json> running = Running(check.out);
  ASSERT_EQ(running.size(), 2u) << check.out;
  EXPECT_EQ(running[0]["message"]["text"], "Invalid INSTALL.LOG file.");
  EXPECT_EQ(running[0]["stuck"], true);
  EXPECT_TRUE(running[1]["message"].is_null()) << "the one at work shows none";
  const std::string id = std::to_string(running[0]["id"].get<int>());
  EXPECT_NE(check.out.find("taskkill /F /T /FI \\\"PID eq " + id), std::string::npos) << check.out;

  // Tarnweld.exe waits for that removal, and says why.
  const std::string said =
      "Tarnweld: the uninstaller shows a message [Wise Uninstall]: [Invalid "
      "INSTALL.LOG file.] (process " +
      id + ")";
  const std::vector<std::string> lines = DebugStrings(TarnweldExe(), Tail(), "shows a message");
  EXPECT_NE(std::find(lines.begin(), lines.end(), said), lines.end()) << lines.back();
}

}  // namespace
}  // namespace tarnweld::e2e
