#include "removal/wait.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "removal/run_removal.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

using fake::FakePlatform;
using ::testing::ElementsAre;

// Drives WaitForUninstaller with an uninstaller that runs while `running`
// says so, noting the clock at every process scan.
struct Waiting {
  void UninstallerRunsWhile(std::function<bool(std::uint32_t elapsed)> running) {
    os.processes = [this, running](std::uint32_t now) {
      scans.push_back(now - start);
      std::vector<platform::ImageName> list{FakePlatform::Image(L"explorer.exe")};
      if (running(now - start)) list.push_back(FakePlatform::Image(L"UNWISE.EXE"));
      return list;
    };
  }

  std::uint32_t Wait(platform::ProcessGroup* group = nullptr) {
    start = os.now;
    trust::Principals principals(os, os, os);
    end = WaitForUninstaller(os.os(), principals, group, nullptr, &showing);
    EXPECT_EQ(os.open_handles, group ? 1 : 0) << "nothing but the caller's group stays open";
    return os.now - start;
  }

  // Waits with the uninstaller's group, which has processes running while
  // `active` says so (nothing: it cannot tell).
  std::uint32_t WaitWithGroup(std::function<std::optional<std::uint32_t>(std::uint32_t)> active) {
    os.group_active = [this, active](std::uint32_t now) { return active(now - start); };
    auto group = os.CreateGroup();
    return Wait(group.get());
  }

  FakePlatform os;
  std::uint32_t start = 0;
  std::vector<std::uint32_t> scans;
  WaitEnd end = WaitEnd::kTimeLimit;
  std::vector<MessageShown> showing;
};

// Scans at 0, 500, ... for `count` half seconds.
std::vector<std::uint32_t> EveryHalfSecond(std::uint32_t count) {
  std::vector<std::uint32_t> scans;
  for (std::uint32_t i = 0; i < count; ++i) scans.push_back(i * 500);
  return scans;
}

// Each scenario by what runs over time: an UNWISE.EXE, and the processes
// in the uninstaller's group (none: no group; nothing: it cannot tell).
TEST(WaitTest, EndsWhenNeitherAnUnwiseNorTheGroupRunsOrAtTenMinutes) {
  using Group = std::function<std::optional<std::uint32_t>(std::uint32_t)>;
  struct Case {
    const char* what;
    std::function<bool(std::uint32_t elapsed)> unwise;
    Group group;
    std::uint32_t waited;
    std::vector<std::uint32_t> scans;
    WaitEnd end = WaitEnd::kUninstallerGone;
    std::uint32_t start = 1000;  // the tick count when the wait begins
    bool snapshot_fails = false;
    bool waitable = true;  // the group's changes can be waited for: no polling
  };
  const auto gone = [](std::uint32_t) { return false; };
  const auto always = [](std::uint32_t) { return true; };
  const auto between = [](std::uint32_t from, std::uint32_t end) {
    return [=](std::uint32_t t) { return t >= from && t < end; };
  };
  const auto until = [&](std::uint32_t end) { return between(0, end); };
  const auto busy = [](std::uint32_t count, std::uint32_t end) -> Group {
    return [=](std::uint32_t t) { return t < end ? count : 0u; };
  };
  Waiting* now = nullptr;
  const auto jumps = [&now](std::uint32_t t) {
    if (t == 1000) now->os.now += 3'600'000;  // the clock is set an hour on
    return true;
  };
  const Case cases[] = {
      {"gone at the first scan", gone, nullptr, 0, {0}},
      {"gone after 1.2 s", until(1200), nullptr, 1500, EveryHalfSecond(4)},
      {"never gone", always, nullptr, 600'000, EveryHalfSecond(1200), WaitEnd::kTimeLimit},
      {"the tick count wraps", always, nullptr, 600'000, EveryHalfSecond(1200), WaitEnd::kTimeLimit,
       0xFFFFFFFFu - 10'000},
      {"clock set on", jumps, nullptr, 3'601'500, {0, 500, 1000}, WaitEnd::kTimeLimit},
      {"no snapshot", always, nullptr, 0, {}, WaitEnd::kUninstallerGone, 1000, true},
      // The uninstaller handed its work to a copy and ended; the copy works
      // on, and the group is scanned only once it has emptied.
      {"a copy in the group", until(500), busy(1, 2210), 2210, {2210}},
      {"a copy in a group asked at intervals",
       until(500),
       busy(1, 2210),
       2225,
       {2225},
       WaitEnd::kUninstallerGone,
       1000,
       false,
       false},
      {"the group, then an UNWISE.EXE",
       between(1000, 3000),
       busy(2, 1000),
       3000,
       {1000, 1500, 2000, 2500, 3000}},
      {"a group that never empties", gone, busy(1, 600'000), 600'000, {}, WaitEnd::kTimeLimit},
      {"a group that cannot tell", until(1200), [](std::uint32_t) { return std::nullopt; }, 1500,
       EveryHalfSecond(4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Waiting w;
    now = &w;
    w.os.now = c.start;
    w.os.snapshot_fails = c.snapshot_fails;
    w.os.group_waitable = c.waitable;
    w.UninstallerRunsWhile(c.unwise);
    const std::uint32_t waited = c.group ? w.WaitWithGroup(c.group) : w.Wait();
    EXPECT_EQ(waited, c.waited);
    EXPECT_EQ(w.scans, c.scans);
    EXPECT_EQ(w.end, c.end);
    EXPECT_TRUE(w.os.launches.empty());
  }
}

// A dialog of the removal's whose text stays the same on two looks 5 s apart
// is a message box the uninstaller stops at: named once, and at the end.
TEST(WaitTest, AMessageBoxTheRemovalStopsAtIsNamedOnce) {
  using platform::ShownWindow;
  using Shown = std::vector<ShownWindow>;
  const ShownWindow box{7, 4242, L"Wise Uninstall", L"Invalid INSTALL.LOG file.", true};
  struct Case {
    const char* what;
    std::uint32_t shown_from = 0;  // ms into the wait
    bool moves = false;            // its text changes between looks
    bool dialog = true;
    std::uint32_t process = 4242;
    bool named = true;
  };
  const Case cases[] = {
      {"from the start"},
      {"after 20 s", 20'000},
      {"a progress that moves", 0, true, true, 4242, false},
      {"no dialog", 0, false, false, 4242, false},
      {"another process's", 0, false, true, 4243, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Waiting w;
    w.os.windows_shown = [&](std::uint32_t now) {
      const std::uint32_t t = now - w.start;
      ShownWindow shown = box;
      shown.dialog = c.dialog;
      shown.process_id = c.process;
      if (c.moves) shown.text = std::to_wstring(t / 5'000) + L" %";
      return t < c.shown_from ? Shown{} : Shown{shown};
    };
    w.UninstallerRunsWhile([](std::uint32_t) { return false; });
    EXPECT_EQ(w.WaitWithGroup([](std::uint32_t) { return 1u; }), 600'000u);
    const std::string said =
        "Tarnweld: the uninstaller shows a message [Wise Uninstall]: "
        "[Invalid INSTALL.LOG file.] (process 4242)";
    EXPECT_EQ(std::count(w.os.debugger.writes.begin(), w.os.debugger.writes.end(),
                         std::wstring(said.begin(), said.end())),
              c.named ? 1 : 0);
    const std::vector<MessageShown> named{{4242, box.title, box.text}};
    EXPECT_EQ(w.showing, c.named ? named : std::vector<MessageShown>{});
  }
}

TEST(WaitTest, MessagesAreAnsweredAsTheyArriveWithoutScanningFaster) {
  Waiting w;
  w.UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed < 1000; });
  w.os.message_arrivals = {w.os.now + 120, w.os.now + 130, w.os.now + 740};
  w.os.messages_waiting = 1;  // already queued when the wait begins
  EXPECT_EQ(w.Wait(), 1000u);
  EXPECT_THAT(w.scans, ElementsAre(0, 500, 1000));
  EXPECT_EQ(w.os.messages_dispatched, 4);
  // The one ordering test of the wait: each message answered when it
  // arrives, within the half second between scans; whom an uninstaller found
  // runs as, asked at each scan, its name once.
  EXPECT_THAT(w.os.events, ElementsAre("snapshot", "user of 10001", "look up S-1-5-18", "dispatch",
                                       "wait 500", "dispatch", "wait 380", "dispatch", "wait 370",
                                       "snapshot", "user of 10001", "dispatch", "wait 500",
                                       "dispatch", "wait 260", "snapshot"));
}

// Without a job, the uninstaller (id 4242, created at 5000) and what descends
// from it are followed by parent, from the same scans, every half second.
TEST(WaitTest, WithoutAGroupDescendantsAreFollowedByParent) {
  using platform::ProcessEntry;
  const auto entry = [](std::uint32_t id, std::uint32_t parent) {
    return ProcessEntry{FakePlatform::Image(L"GLB1A2B.EXE"), id, parent};
  };
  const ProcessEntry child = entry(7, 4242);
  struct Case {
    const char* what;
    std::vector<ProcessEntry> family;
    std::map<std::uint32_t, fake::FakeProcess> openable;
    std::uint32_t waited;
    std::uint64_t uninstaller_born = 5000;
  };
  const Case cases[] = {
      {"nothing handed on", {}, {}, 0},
      {"hand-off to a copy that works until 1700", {child}, {{7, {6000, 1700}}}, 2000},
      {"grandchild, listed before its parent, which has already ended",
       {entry(9, 7), child},
       {{7, {6000, 0}}, {9, {7000, 2600}}},
       3000},
      {"an older process naming a reused id as its parent", {child}, {{7, {4000, 9000}}}, 0},
      {"ends between two scans", {child}, {{7, {6000, 250}}}, 500},
      {"born the moment its parent was", {child}, {{7, {5000, 1700}}}, 2000},
      {"born at a time not known", {child}, {{7, {0, 1700}}}, 0},
      {"a parent born at a time not known", {child}, {{7, {6000, 1700}}}, 0, 0},
      {"cannot be opened", {child}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform os;
    os.uninstaller = {c.uninstaller_born, os.now};  // it handed on at once and ended
    os.family = [&](std::uint32_t) { return c.family; };
    os.openable = c.openable;
    for (auto& [id, process] : os.openable) {
      if (process.ends_at) *process.ends_at += os.now;
    }
    const std::uint32_t start = os.now;
    {
      Descendants descendants(os.StartSuspended({L"", L"UNWISE.EXE", L"", false, {}}).process);
      trust::Principals principals(os, os, os);
      EXPECT_EQ(WaitForUninstaller(os.os(), principals, nullptr, &descendants),
                WaitEnd::kUninstallerGone);
    }
    EXPECT_EQ(os.now - start, c.waited);
    EXPECT_EQ(os.open_handles, 0);
  }
}

TEST(WaitTest, RemovalWaitsOnlyAfterALaunchThatSucceeded) {
  Waiting w;
  w.os.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  w.UninstallerRunsWhile(
      [&w](std::uint32_t elapsed) { return !w.os.launches.empty() && elapsed < 700; });
  w.start = w.os.now;
  RunRemoval(w.os.os());
  // One look for other removals before the launch, then one each half second.
  EXPECT_EQ(w.scans, (std::vector<std::uint32_t>{100, 100, 600, 1100}));
  EXPECT_EQ(w.os.events.back(), "end");
  EXPECT_EQ(w.os.open_handles, 0);

  // An uninstaller that throws mid-wait still ends the process, once.
  FakePlatform failing;
  failing.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  failing.processes = [](std::uint32_t) -> std::vector<platform::ImageName> {
    throw std::bad_alloc();
  };
  RunRemoval(failing.os());
  EXPECT_EQ(failing.ended, 1);
  EXPECT_EQ(failing.open_handles, 0);
}

}  // namespace
}  // namespace tarnweld
