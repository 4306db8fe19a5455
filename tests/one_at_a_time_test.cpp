#include "removal/one_at_a_time.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "check/check.h"
#include "removal/run_removal.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using fake::Narrow;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(OneAtATime, OneRemovalAtATimeAndAfreshAfterEachWait) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> arrange;
    bool launched;
    std::size_t decisions;      // how often the entry was read
    std::uint32_t launched_at;  // ms after the start, at least
    const char* trace;
  };
  const auto running = [](const wchar_t* name, std::optional<std::uint32_t> until) {
    return [=](FakePlatform& os) {
      const std::uint32_t start = os.now;
      os.processes = [=](std::uint32_t now) {
        std::vector<platform::ImageName> list{FakePlatform::Image(L"explorer.exe")};
        if (!until || now - start < *until) list.push_back(FakePlatform::Image(name));
        return list;
      };
    };
  };
  // The same, run by `sid` (empty: whom it runs as cannot be read).
  const auto run_by = [](std::wstring sid, std::function<void(FakePlatform&)> then) {
    return [=](FakePlatform& os) {
      then(os);
      os.users[10001] = {sid, sid.empty() ? 5u : 0u};
    };
  };
  // The same, running for 20 minutes, at a message box or not.
  const auto stuck = [](bool box, std::function<void(FakePlatform&)> then) {
    return [=](FakePlatform& os) {
      then(os);
      os.run_ms[10001] = 1'200'000;
      if (!box) return;
      os.windows_shown = [](std::uint32_t) {
        return std::vector<platform::ShownWindow>{{7, 10001, L"Wise Uninstall", L"Invalid.", true}};
      };
    };
  };
  const Case cases[] = {
      {"no other removal", [](FakePlatform&) {}, true, 1, 0, "started process"},
      // The other run removed its entry, which was this one's too.
      {"held, then let go with the entry gone",
       [](FakePlatform& os) {
         os.exists = true;
         os.held_until = os.now + 30'000;
         os.on_let_go = [&os] { os.keys.clear(); };
       },
       false, 2, 0, "removal lock: waited 29.9 s for another removal to end"},
      {"held a moment, however short",
       [](FakePlatform& os) {
         os.exists = true;
         os.held_until = os.now + 100 + 1;  // a millisecond after the pause at the start
         os.on_let_go = [&os] { os.keys.clear(); };
       },
       false, 2, 0, "removal lock: waited 0.0 s for another removal to end"},
      {"held, then let go with the entry still there",
       [](FakePlatform& os) {
         os.exists = true;
         os.held_until = os.now + 30'000;
       },
       true, 2, 30'000, "removal lock: waited 29.9 s"},
      {"held past the limit",
       [](FakePlatform& os) {
         os.exists = true;
         os.held_for_ever = true;
       },
       false, 1, 0, "another removal still holds it after 600.0 s; nothing is launched"},
      // Its Tarnweld.exe was ended while its uninstaller went on: see below.
      {"abandoned", [](FakePlatform& os) { os.exists = os.abandoned = os.held_for_ever = true; },
       true, 1, 0, "started process"},
      {"squatted by a user",
       [](FakePlatform& os) {
         os.exists = os.held_for_ever = true;
         os.maker_sid = L"S-1-5-21-9-9-9-1200";
       },
       true, 1, 0, "made by S-1-5-21-9-9-9-1200, whom only administrators are trusted to be"},
      {"not to be opened by an administrator",
       [](FakePlatform& os) { os.open_fails = platform::LockFound::kDenied; }, true, 1, 0,
       "may not be opened (error 5); made by someone else, so ignored"},
      {"another kind of object of that name",
       [](FakePlatform& os) { os.open_fails = platform::LockFound::kFailed; }, true, 1, 0,
       "so ignored"},
      {"not to be opened by a standard user",
       [](FakePlatform& os) {
         os.open_fails = platform::LockFound::kDenied;
         os.caller_is_administrator = false;
       },
       false, 1, 0, "this run, not an administrator's, launches nothing"},
      // A removal started by hand, or one whose Tarnweld.exe was ended.
      {"an uninstaller's copy at work", running(L"glb1a2b.exe", 5'000), true, 2, 5'000,
       "waited 5.0 s for an uninstaller that was running"},
      {"an uninstaller at work for ever", running(L"UNWISE32.EXE", std::nullopt), false, 1, 0,
       "an uninstaller still runs after 600.0 s; nothing is launched beside it"},
      {"names that only look alike", running(L"xglb1.exe", std::nullopt), true, 1, 0,
       "started process"},
      {"the shortest copy's name", running(L"glb.exe", 5'000), true, 2, 5'000, "waited 5.0 s"},
      // Anyone may start a program of such a name: only whom the rule trusts counts.
      {"an uninstaller a standard user runs for ever",
       run_by(L"S-1-5-21-9-9-9-1200", running(L"UNWISE.EXE", std::nullopt)), true, 1, 0,
       "process 10001 [UNWISE.EXE], run by S-1-5-21-9-9-9-1200: not counted, as only "
       "administrators are trusted to run it"},
      {"a copy whose user cannot be read", run_by(L"", running(L"GLB1.EXE", std::nullopt)), true, 1,
       0, "process 10001 [GLB1.EXE]: not counted, as who runs it cannot be read (error 5)"},
      // Every later run would wait its limit out for it.
      {"an uninstaller stuck for 20 minutes", stuck(false, running(L"UNWISE.EXE", std::nullopt)),
       false, 1, 0,
       "process 10001 [UNWISE.EXE], run by S-1-5-18: counted, for 1200.0 s, longer than a removal "
       "waits (600.0 s): no run waits for it again; nothing is launched beside it"},
      {"one stuck at a message box", stuck(true, running(L"GLB1.EXE", std::nullopt)), false, 1, 0,
       "the uninstaller shows a message [Wise Uninstall]: [Invalid.] (process 10001)"},
      {"a copy a named administrator runs",
       run_by(L"S-1-5-21-7-7-7-500", running(L"glb1a2b.exe", 5'000)), true, 2, 5'000,
       "waited 5.0 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    const std::uint32_t start = os.now;
    std::uint32_t launched_at = 0;
    os.family = [&](std::uint32_t now) {
      if (!os.launches.empty() && launched_at == 0) launched_at = now - start;
      return std::vector<platform::ProcessEntry>{};
    };
    c.arrange(os);
    RunRemoval(os.os());
    const std::string trace = Narrow(os.debugger.text);
    EXPECT_EQ(os.launches.size(), c.launched ? 1u : 0u);
    EXPECT_EQ(os.opened_paths.size(), c.decisions);
    EXPECT_GE(launched_at, c.launched_at);
    EXPECT_THAT(trace, HasSubstr(c.trace));
    EXPECT_EQ(trace.find("wait ended: the uninstaller has gone") != std::string::npos, c.launched);
    EXPECT_TRUE(c.decisions != 1 || trace.find("waited") == std::string::npos) << "waited";
    EXPECT_EQ(os.held_now, 0) << "let go by the end";
    // The limit and the pause at the start, not one scan more.
    EXPECT_LE(os.now - start, 600'000u + 500u);
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST(OneAtATime, WaitingForTheLockAnswersMessages) {
  FakePlatform os;
  os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  os.exists = true;
  os.held_until = os.now + 10'000;
  os.messages = {os.now + 2'000, os.now + 7'000};
  RunRemoval(os.os());
  EXPECT_EQ(os.messages_while_waiting, 2);
  EXPECT_EQ(os.launches.size(), 1u);
}

// Only a window that may be a message box is looked at twice, 5 s apart.
TEST(OneAtATime, TheCheckSaysWhetherARemovalIsUnderWayAndWhatHoldsItBack) {
  struct Case {
    std::function<void(FakePlatform&)> arrange;
    bool in_progress;
    const char* running;  // JSON, its fields after id, name, user and sid
    std::uint32_t waited = 0;
  };
  const auto copy_run_by = [](const wchar_t* sid) {
    return [=](FakePlatform& os) {
      os.processes = [](std::uint32_t) {
        return std::vector<platform::ImageName>{FakePlatform::Image(L"GLB0F3C.EXE")};
      };
      os.users[10000] = {sid, 0};
      os.account_names[L"S-1-5-18"] = L"SYSTEM";
    };
  };
  const auto stuck = [&](FakePlatform& os) {
    copy_run_by(L"S-1-5-18")(os);
    os.run_ms[10000] = 700'000;
    os.command_lines[10000] = L"C:\\T\\GLB0F3C.EXE /z";
    os.windows_shown = [](std::uint32_t) {
      return std::vector<platform::ShownWindow>{{7, 10000, L"Wise", L"Invalid.", true}};
    };
  };
  const Case cases[] = {
      {[](FakePlatform&) {}, false, ""},
      {[](FakePlatform& os) { os.exists = os.held_for_ever = true; }, true, ""},
      {[](FakePlatform& os) { os.open_fails = platform::LockFound::kDenied; }, true, ""},
      {copy_run_by(L"S-1-5-18"), true,
       R"("counted": true, "runningMs": 1000, "commandLine": null, "message": null, )"
       R"("windowsUnreadable": null, "stuck": false)"},
      {copy_run_by(L"S-1-5-21-9-9-9-1200"), false,
       R"("counted": false, "runningMs": 1000, "commandLine": null, "message": null, )"
       R"("windowsUnreadable": null, "stuck": false)"},
      {stuck, true,
       R"("counted": true, "runningMs": 700000, "commandLine": "C:\\T\\GLB0F3C.EXE /z", )"
       R"("message": {"title": "Wise", "text": "Invalid."}, "windowsUnreadable": null, )"
       R"("stuck": true)",
       5'000},
      {fake::All({stuck, [](FakePlatform& os) { os.sessions[10000] = 0; }}), true,
       R"("counted": true, "runningMs": 700000, "commandLine": "C:\\T\\GLB0F3C.EXE /z", )"
       R"("message": null, "windowsUnreadable": "it runs in session 0, this check in session )"
       R"(1", "stuck": true)"},
      {fake::All({stuck, [](FakePlatform& os) { os.windows_error = 5; }}), true,
       R"("counted": true, "runningMs": 700000, "commandLine": "C:\\T\\GLB0F3C.EXE /z", )"
       R"j("message": null, "windowsUnreadable": "they cannot be listed (error 5)", "stuck": true)j"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.running);
    FakePlatform os;
    os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
    c.arrange(os);
    const std::uint32_t start = os.now;
    EXPECT_EQ(check::RunCheck(os.check(), L"/json OldApp"), 0);
    const auto json = nlohmann::json::parse(Narrow(os.out.text));
    EXPECT_EQ(json["removalInProgress"], c.in_progress);
    const std::string user = os.users.count(10000) && os.users[10000].sid == L"S-1-5-18"
                                 ? R"("SYSTEM", "sid": "S-1-5-18", )"
                                 : R"(null, "sid": "S-1-5-21-9-9-9-1200", )";
    EXPECT_EQ(
        json["running"],
        nlohmann::json::parse(*c.running ? R"([{"id": 10000, "name": "GLB0F3C.EXE", "user": )" +
                                               user + c.running + "}]"
                                         : std::string("[]")));
    EXPECT_EQ(os.now - start, c.waited) << "the check waits only to tell a message box";
    EXPECT_THAT(os.events, Not(::testing::Contains("lock wait")));
    os.out.text.clear();
    check::RunCheck(os.check(), L"OldApp");
    EXPECT_EQ(Narrow(os.out.text).find("Hint: a removal is under way") != std::string::npos,
              c.in_progress);
    EXPECT_EQ(os.open_handles, 0);
  }
  FakePlatform os;
  copy_run_by(L"S-1-5-21-9-9-9-1200")(os);
  check::RunCheck(os.check(), L"/all");
  EXPECT_THAT(
      Narrow(os.out.text),
      HasSubstr("Wise processes running on this machine (Tarnweld.exe waits only for those "
                "counted):\n  process 10000 [GLB0F3C.EXE], run by S-1-5-21-9-9-9-1200: not "
                "counted, as only administrators are trusted to run it; running for 1.0 s\n"));
  // What holds every later removal back, and how to end it once read.
  for (const bool other_session : {false, true}) {
    FakePlatform held;
    stuck(held);
    if (other_session) held.sessions[10000] = 0;
    check::RunCheck(held.check(), L"/all");
    EXPECT_THAT(
        Narrow(held.out.text),
        HasSubstr(other_session
                      ? "running for 700.0 s; command line [C:\\T\\GLB0F3C.EXE /z]\n    its "
                        "windows cannot be read from here: it runs in session 0, this "
                        "check in session 1 (TarnweldCheck run as SYSTEM, from the "
                        "deployment tool say, sees them)\n"
                      : "\n    it shows a message [Wise]: [Invalid.]\n"));
  }
  FakePlatform held;
  stuck(held);
  check::RunCheck(held.check(), L"OldApp");
  EXPECT_THAT(Narrow(held.out.text),
              HasSubstr("Hint: process 10000 [GLB0F3C.EXE] holds every later removal back; once "
                        "its message, if any, has been read, an administrator can end it and what "
                        "it started: taskkill /F /T /FI \"PID eq 10000\" /FI \"IMAGENAME eq "
                        "GLB0F3C.EXE\"\n"));
}

}  // namespace
}  // namespace tarnweld
