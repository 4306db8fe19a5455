#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/launch.h"
#include "platform/pause.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "platform/removal_lock.h"
#include "platform/shown_windows.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

struct LaunchCall {
  std::wstring program;
  std::wstring command_line;
  std::wstring current_directory;
  bool break_away = false;
  std::vector<std::wstring> environment;
};

// A process the fake can open by id: when it was created and when it ends.
struct FakeProcess {
  std::uint64_t created = 0;
  std::optional<std::uint32_t> ends_at;  // a tick reading; none: it runs on
};

// Starting the uninstaller, its job, the processes a snapshot lists, and
// the windows they show.
class FakeProcesses : public platform::Launcher,
                      public platform::ProcessList,
                      public platform::ShownWindows {
 public:
  explicit FakeProcesses(Recorder& record);

  std::uint32_t launch_result = 4242;  // the process id; 0: it cannot start
  bool launch_throws = false;          // as an allocation failure would
  bool may_break_away = false;         // running in a job that allows it
  bool break_away_fails = false;
  // The launched uninstaller, as the wait sees it through its handle: it
  // has ended unless a test says otherwise (the process list decides).
  FakeProcess uninstaller{5000, 0};
  // Processes the wait may open by id.
  std::map<std::uint32_t, FakeProcess> openable;
  bool resume_fails = false;
  bool group_fails = false;
  bool join_fails = false;
  // Processes of the uninstaller's group still running at `now`; their ids;
  // whether a change of their number can be waited for (the time passes
  // until it changes).
  std::function<std::optional<std::uint32_t>(std::uint32_t now)> group_active;
  std::vector<std::uint32_t> group_ids{4242};
  bool group_waitable = true;
  // Image-name fields of the processes seen by a snapshot taken at `now`
  // (ids from 10000 on, no parent), then `family`, with ids and parents.
  std::function<std::vector<platform::ImageName>(std::uint32_t now)> processes;
  std::function<std::vector<platform::ProcessEntry>(std::uint32_t now)> family;
  bool snapshot_fails = false;
  bool first_entry_fails = false;
  // Whom each process runs as; SYSTEM unless given here. How long each has
  // run (a second unless given), its session (1, as this one's) and its
  // command line (none unless given).
  std::map<std::uint32_t, platform::ProcessUser> users;
  std::map<std::uint32_t, std::uint64_t> run_ms;
  std::map<std::uint32_t, std::uint32_t> sessions;
  std::map<std::uint32_t, std::wstring> command_lines;
  // The top-level windows shown at `now`, of every process; listing them
  // fails with `windows_error`.
  std::function<std::vector<platform::ShownWindow>(std::uint32_t now)> windows_shown;
  std::uint32_t windows_error = 0;

  std::vector<LaunchCall> launches;

  // Names a test can give to snapshots.
  static platform::ImageName Image(const std::wstring& name);
  static platform::ImageName ImageWithoutNul(wchar_t fill);

  platform::Started StartSuspended(const platform::LaunchRequest& request) override;
  bool MayBreakAwayFromJob() override { return may_break_away; }
  std::unique_ptr<platform::ProcessGroup> CreateGroup() override;
  std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<platform::WatchedProcess> Open(std::uint32_t id) override;
  platform::ProcessUser UserOf(std::uint32_t id) override;
  std::optional<std::uint64_t> RunTime(std::uint32_t id) override;
  std::optional<std::uint32_t> SessionOf(std::uint32_t id) override;
  std::optional<std::uint32_t> OwnSession() override { return 1; }
  std::optional<std::wstring> CommandLineOf(std::uint32_t id) override;
  platform::WindowsSeen Of(const std::vector<std::uint32_t>& process_ids) override;

 private:
  Recorder& record_;
};

// The machine's removal lock: none until a run makes it, or one that exists,
// held by another run until a moment (or for ever), or abandoned.
class FakeLocks : public platform::RemovalLocks, public platform::RemovalLockProbe {
 public:
  explicit FakeLocks(Recorder& record) : record_(record) {}

  bool exists = false;                      // made by another run, or someone else
  std::optional<std::uint32_t> held_until;  // a tick reading when it is let go
  bool held_for_ever = false;
  bool abandoned = false;
  std::wstring maker_sid = L"S-1-5-18";
  std::optional<platform::LockFound> open_fails;  // kDenied or kFailed
  // What the other run did before it let go (removed its entry, say).
  std::function<void()> on_let_go;
  // Messages that arrive for the program while it waits, as tick readings.
  std::vector<std::uint32_t> messages;
  int messages_while_waiting = 0;
  int held_now = 0;  // by this run

  platform::LockOpened Open(const std::wstring& caller_sid) override;
  bool Exists() override;

 private:
  Recorder& record_;
};

// The program's own process: its command line, error mode, folder and end,
// its pauses and message queue, and the clock.
class FakeProgram : public platform::ThisProcess, public platform::Pause, public platform::Clock {
 public:
  explicit FakeProgram(Recorder& record) : record_(record) {}

  std::wstring command_tail;
  std::uint32_t launcher_error_mode = 0x8000;
  std::uint32_t error_mode = 0x8003;  // quiet, as the program sets it
  std::wstring system_directory = L"C:\\WINDOWS\\system32";
  std::deque<std::uint32_t> message_arrivals;  // tick readings
  int ended = 0;
  int messages_waiting = 0;
  int messages_dispatched = 0;

  std::wstring CommandTail() override;
  std::uint32_t LauncherErrorMode() override { return launcher_error_mode; }
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::wstring SystemDirectory() override { return system_directory; }
  bool ChangeDirectory(const std::wstring& path) override;
  void End() override;
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override;
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
  std::uint32_t TickMilliseconds() override { return record_.now; }

 private:
  Recorder& record_;
};

}  // namespace tarnweld::fake
