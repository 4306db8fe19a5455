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
class WaitTest : public ::testing::Test {
 protected:
  void UninstallerRunsWhile(std::function<bool(std::uint32_t elapsed)> running) {
    os_.processes = [this, running](std::uint32_t now) {
      scans_.push_back(now - start_);
      std::vector<platform::ImageName> list{FakePlatform::Image(L"explorer.exe")};
      if (running(now - start_)) list.push_back(FakePlatform::Image(L"UNWISE.EXE"));
      return list;
    };
  }

  std::uint32_t Wait(platform::ProcessGroup* group = nullptr) {
    start_ = os_.now;
    trust::Principals principals(os_, os_, os_);
    end_ = WaitForUninstaller(os_.os(), principals, group);
    EXPECT_EQ(os_.open_handles, group ? 1 : 0) << "nothing but the caller's group stays open";
    return os_.now - start_;
  }

  // Waits with the uninstaller's group, which has processes running while
  // `active` says so (nothing: it cannot tell).
  std::uint32_t WaitWithGroup(std::function<std::optional<std::uint32_t>(std::uint32_t)> active) {
    os_.group_active = [this, active](std::uint32_t now) { return active(now - start_); };
    auto group = os_.CreateGroup();
    return Wait(group.get());
  }

  FakePlatform os_;
  std::uint32_t start_ = 0;
  std::vector<std::uint32_t> scans_;
  WaitEnd end_ = WaitEnd::kTimeLimit;
};

TEST_F(WaitTest, GoneUninstallerEndsTheWaitAtTheFirstTestWithoutPausing) {
  UninstallerRunsWhile([](std::uint32_t) { return false; });
  EXPECT_EQ(Wait(), 0u);
  EXPECT_EQ(scans_.size(), 1u);
}

TEST_F(WaitTest, PollsEveryHalfSecondUntilTheUninstallerHasGone) {
  UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed < 1200; });
  EXPECT_EQ(Wait(), 1500u);
  EXPECT_THAT(scans_, ElementsAre(0, 500, 1000, 1500));
}

TEST_F(WaitTest, EndsAtExactlySixHundredSecondsAndLeavesTheUninstallerRunning) {
  UninstallerRunsWhile([](std::uint32_t) { return true; });
  EXPECT_EQ(Wait(), 600'000u);
  EXPECT_EQ(end_, WaitEnd::kTimeLimit);
  EXPECT_EQ(scans_.size(), 1200u);
  EXPECT_EQ(scans_.back(), 599'500u);
  EXPECT_TRUE(os_.launches.empty());
}

TEST_F(WaitTest, TickCountWrappingDuringTheWaitChangesNothing) {
  os_.now = 0xFFFFFFFFu - 10'000;
  UninstallerRunsWhile([](std::uint32_t) { return true; });
  EXPECT_EQ(Wait(), 600'000u);
  EXPECT_EQ(scans_.size(), 1200u);
}

TEST_F(WaitTest, ClockJumpingPastTheLimitEndsTheWaitAtTheNextTest) {
  UninstallerRunsWhile([this](std::uint32_t elapsed) {
    if (elapsed == 1000) os_.now += 3'600'000;
    return true;
  });
  Wait();
  EXPECT_THAT(scans_, ElementsAre(0, 500, 1000));
}

TEST_F(WaitTest, MessagesAreAnsweredAsTheyArriveWithoutScanningFaster) {
  UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed < 1000; });
  os_.message_arrivals = {os_.now + 120, os_.now + 130, os_.now + 740};
  os_.messages_waiting = 1;  // already queued when the wait begins
  EXPECT_EQ(Wait(), 1000u);
  EXPECT_THAT(scans_, ElementsAre(0, 500, 1000));
  EXPECT_EQ(os_.messages_dispatched, 4);
  // The one ordering test of the wait: each message answered when it
  // arrives, within the half second between scans; whom an uninstaller found
  // runs as, asked at each scan, its name once.
  EXPECT_THAT(os_.events,
              ElementsAre("snapshot", "user of 10001", "look up S-1-5-18", "dispatch", "wait 500",
                          "dispatch", "wait 380", "dispatch", "wait 370", "snapshot",
                          "user of 10001", "dispatch", "wait 500", "dispatch", "wait 260",
                          "snapshot"));
}

TEST_F(WaitTest, GroupWithProcessesRunningKeepsTheWaitGoingWithoutScansAndEndsAtOnce) {
  // The uninstaller handed its work to a copy and ended; the copy works on.
  UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed < 500; });
  EXPECT_EQ(WaitWithGroup([](std::uint32_t elapsed) { return elapsed < 2210 ? 1u : 0u; }), 2225u);
  EXPECT_THAT(scans_, ElementsAre(2225)) << "scans only once the group has emptied";
  EXPECT_EQ(end_, WaitEnd::kUninstallerGone);
}

TEST_F(WaitTest, EitherAnUnwiseOrTheGroupKeepsTheWaitGoingForTenMinutesAtMost) {
  UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed >= 1000 && elapsed < 3000; });
  EXPECT_EQ(WaitWithGroup([](std::uint32_t elapsed) { return elapsed < 1000 ? 2u : 0u; }), 3000u);

  UninstallerRunsWhile([](std::uint32_t) { return false; });
  EXPECT_EQ(WaitWithGroup([](std::uint32_t) { return 1u; }), 600'000u);
  EXPECT_EQ(end_, WaitEnd::kTimeLimit);
}

TEST_F(WaitTest, GroupThatCannotTellLeavesItToTheNameTest) {
  UninstallerRunsWhile([](std::uint32_t elapsed) { return elapsed < 1200; });
  EXPECT_EQ(WaitWithGroup([](std::uint32_t) { return std::nullopt; }), 1500u);
  EXPECT_THAT(scans_, ElementsAre(0, 500, 1000, 1500));
}

// Without a job, the uninstaller (id 4242, created at 5000) and what descends
// from it are followed by parent, from the same scans, every half second.
TEST_F(WaitTest, WithoutAGroupDescendantsAreFollowedByParent) {
  using platform::ProcessEntry;
  const auto entry = [](std::uint32_t id, std::uint32_t parent) {
    return ProcessEntry{FakePlatform::Image(L"GLB1A2B.EXE"), id, parent};
  };
  struct Case {
    const char* what;
    std::vector<ProcessEntry> family;
    std::map<std::uint32_t, fake::FakeProcess> openable;
    std::uint32_t waited;
    std::uint64_t uninstaller_born = 5000;
  };
  const Case cases[] = {
      {"nothing handed on", {}, {}, 0},
      {"hand-off to a copy that works until 1700", {entry(7, 4242)}, {{7, {6000, 1700}}}, 2000},
      {"grandchild, listed before its parent, which has already ended",
       {entry(9, 7), entry(7, 4242)},
       {{7, {6000, 0}}, {9, {7000, 2600}}},
       3000},
      {"an older process naming a reused id as its parent",
       {entry(7, 4242)},
       {{7, {4000, 9000}}},
       0},
      {"ends between two scans", {entry(7, 4242)}, {{7, {6000, 250}}}, 500},
      {"born the moment its parent was", {entry(7, 4242)}, {{7, {5000, 1700}}}, 2000},
      {"born at a time not known", {entry(7, 4242)}, {{7, {0, 1700}}}, 0},
      {"a parent born at a time not known", {entry(7, 4242)}, {{7, {6000, 1700}}}, 0, 0},
      {"cannot be opened", {entry(7, 4242)}, {}, 0},
  };
  for (const Case& c : cases) {
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
    EXPECT_EQ(os.now - start, c.waited) << c.what;
    EXPECT_EQ(os.open_handles, 0) << c.what;
  }
}

TEST_F(WaitTest, FailingSnapshotEndsTheWait) {
  os_.snapshot_fails = true;
  EXPECT_EQ(Wait(), 0u);
  EXPECT_EQ(os_.snapshots_taken, 1);
}

TEST_F(WaitTest, RemovalWaitsOnlyAfterALaunchThatSucceeded) {
  os_.StartOnEntry("C:\\W\\UNWISE.EXE C:\\L.TXT", {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT"});
  UninstallerRunsWhile(
      [this](std::uint32_t elapsed) { return !os_.launches.empty() && elapsed < 700; });
  start_ = os_.now;
  RunRemoval(os_.os());
  // One look for other removals before the launch, then one each half second.
  EXPECT_EQ(scans_, (std::vector<std::uint32_t>{100, 100, 600, 1100}));
  EXPECT_EQ(os_.events.back(), "end");
  EXPECT_EQ(os_.open_handles, 0);

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
