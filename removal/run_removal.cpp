#include "removal/run_removal.h"

#include "core/text.h"
#include "core/win_path.h"
#include "decide/decision.h"
#include "decide/decision_text.h"
#include "removal/one_at_a_time.h"
#include "removal/trace.h"
#include "removal/wait.h"

namespace tarnweld {

using text::Bracketed;
using text::ErrorText;
using text::Seconds;

namespace {

constexpr std::uint32_t kStartupPauseMs = 100;

// The uninstaller starts in the error mode this program's launcher chose,
// not in the quiet one this program keeps for itself.
class LauncherErrorMode {
 public:
  explicit LauncherErrorMode(platform::ThisProcess& process)
      : process_(process), quiet_(process.SetErrorMode(process.LauncherErrorMode())) {}
  ~LauncherErrorMode() { process_.SetErrorMode(quiet_); }
  LauncherErrorMode(const LauncherErrorMode&) = delete;
  LauncherErrorMode& operator=(const LauncherErrorMode&) = delete;

 private:
  platform::ThisProcess& process_;
  std::uint32_t quiet_;
};

struct UninstallerRun {
  std::uint32_t process_id = 0;  // 0 when it did not start, or could not be let run
  std::uint32_t error = 0;       // why it did not start
  bool broke_away = false;       // from the job this program runs in
  std::unique_ptr<platform::ProcessGroup> group;  // null when it could join none
  std::unique_ptr<Descendants> descendants;       // followed by parent instead
};

// Where this program runs inside a job that allows it, the uninstaller
// breaks away from that job, so that it can join one of this program's own
// even where jobs do not nest (Windows 7 and older).
platform::Started Start(platform::Platform& platform, platform::LaunchRequest request,
                        bool* broke_away) {
  const LauncherErrorMode mode(platform.process);
  if (platform.launcher.MayBreakAwayFromJob()) {
    request.break_away = true;
    platform::Started started = platform.launcher.StartSuspended(request);
    *broke_away = started.process != nullptr;
    if (started.process) return started;
    request.break_away = false;
  }
  return platform.launcher.StartSuspended(request);
}

// Starts the uninstaller suspended, so that it joins the group that follows
// what it starts before it can start anything, then lets it run. Where it
// cannot join, it runs all the same and the wait follows it by parent.
UninstallerRun StartUninstaller(platform::Platform& platform, const Decision& decision,
                                const std::wstring& current_directory, const std::wstring& temp) {
  UninstallerRun run;
  platform::Started started =
      Start(platform,
            {decision.program, decision.command_line, current_directory, false,
             UninstallerEnvironment(platform.sources.environment.Block(), temp, *decision.path)},
            &run.broke_away);
  if (!started.process) {
    run.error = started.error;
    return run;
  }
  run.group = platform.launcher.CreateGroup();
  if (run.group && !run.group->Add(*started.process)) run.group.reset();
  if (!started.process->Resume()) return run;
  run.process_id = started.process->id();
  if (!run.group) run.descendants = std::make_unique<Descendants>(std::move(started.process));
  return run;
}

void TraceStart(platform::Platform& platform, const UninstallerRun& run) {
  if (run.process_id == 0) {
    Trace(platform, run.error ? L"the uninstaller did not start (" + ErrorText(run.error) + L")"
                              : L"the uninstaller was created but could not be let run");
    return;
  }
  Trace(platform, L"started process " + text::Decimal(run.process_id) +
                      (run.broke_away ? L" outside the caller's job" : L"") +
                      (run.group ? L", followed with everything it starts"
                                 : L", followed by parent and by name (it could not join a job)"));
}

// The folder made for this run, removed again once the wait is over if the
// uninstaller left it empty; left in place otherwise.
class MadeFolder {
 public:
  explicit MadeFolder(platform::Platform& platform) : platform_(platform) {}
  ~MadeFolder() {
    if (path_.empty()) return;
    Trace(platform_, L"temp " + Bracketed(path_) +
                         (platform_.folders.RemoveIfEmpty(path_) ? L": removed, being empty"
                                                                 : L": left in place, not empty"));
  }
  MadeFolder(const MadeFolder&) = delete;
  MadeFolder& operator=(const MadeFolder&) = delete;

  // Makes the folder inside `parent` and judges it as a folder a program
  // runs from; its path, or empty when it cannot be had.
  std::wstring Make(const std::wstring& parent, trust::TrustJudge& trust) {
    const platform::FolderMade made =
        platform_.folders.MakePrivate(parent, trust.principals().CallerSid());
    if (made.path.empty()) {
      Trace(platform_, L"temp: no folder could be made inside " + Bracketed(parent) + L" (" +
                           ErrorText(made.error) + L")");
      return {};
    }
    path_ = made.path;
    const std::optional<WinPath> folder = WinPath::Qualified(path_);
    const trust::Walk walk =
        folder ? trust.CheckFolder(*folder, TempFolderNames(), trust::Role::kProgramFolder)
               : trust::Walk{};
    if (!folder || walk.missing || !walk.check.trusted()) {
      for (const trust::Finding& finding : walk.check.findings) {
        Trace(platform_, trust::Describe(finding));
      }
      return {};
    }
    Trace(platform_, L"temp " + Bracketed(path_) +
                         L" (made for the run): only administrators and the caller can change it");
    return path_;
  }

 private:
  platform::Platform& platform_;
  std::wstring path_;
};

// A decision and the deciding that made it, whose answers it may reuse.
struct Decided {
  std::unique_ptr<Deciding> run;
  Decision decision;
  bool launches() const { return decision.verdict == Verdict::kWouldLaunch; }
};

// Decides from the start, with a judge of its own: after a wait, nothing
// read before it is relied on.
Decided DecideNow(platform::Platform& platform, const std::wstring& tail) {
  Decided decided{std::make_unique<Deciding>(platform.sources, trust::Judging::kUntilFirstFinding),
                  {}};
  decided.decision = Decide(*decided.run, tail);
  for (const std::wstring& step : DescribeSteps(decided.decision)) Trace(platform, step);
  return decided;
}

void RemoveWiseInstallation(platform::Platform& platform, const std::wstring& system_directory) {
  const std::wstring tail = platform.process.CommandTail();
  platform.pause.Sleep(kStartupPauseMs);
  Decided now = DecideNow(platform, tail);
  if (!now.launches()) return;

  // One removal at a time on the machine; whoever waited decides afresh,
  // since the entry is usually gone by then.
  const Turn turn = TakeTurn(platform, now.run->trust().principals());
  for (const std::wstring& line : turn.trace) Trace(platform, line);
  if (turn.kind == Turn::Kind::kRefused) return;
  if (turn.waited_ms > 0 && !(now = DecideNow(platform, tail)).launches()) return;
  std::uint32_t waited = 0;
  switch (WaitForOtherRemovals(platform, now.run->trust().principals(), &waited)) {
    case OtherRemovals::kNone:
      break;
    case OtherRemovals::kStillRunning:
      Trace(platform, L"an uninstaller still runs after " + Seconds(kTurnLimitMs) +
                          L"; nothing is launched beside it");
      return;
    case OtherRemovals::kStuck:
      return;
  }
  if (waited > 0) {
    Trace(platform, L"waited " + Seconds(waited) + L" for an uninstaller that was running");
    if (!(now = DecideNow(platform, tail)).launches()) return;
  }

  const Decision& decision = now.decision;
  MadeFolder made(platform);
  std::wstring temp = decision.temp->folder();
  if (decision.temp->make() &&
      (temp = made.Make(decision.temp->tried.back().path, now.run->trust())).empty()) {
    return;
  }
  const UninstallerRun run = StartUninstaller(platform, decision, system_directory, temp);
  TraceStart(platform, run);
  if (run.process_id == 0) return;
  const std::uint32_t wait_start = platform.clock.TickMilliseconds();
  std::vector<MessageShown> showing;
  const WaitEnd end = WaitForUninstaller(platform, now.run->trust().principals(), run.group.get(),
                                         run.descendants.get(), &showing);
  const std::uint32_t waited_for_it = platform::ElapsedSince(platform.clock, wait_start);
  Trace(platform, (end == WaitEnd::kTimeLimit
                       ? L"wait ended at the " + text::Decimal(kWaitLimitMs / 1000) + L" s limit, after "
                       : L"wait ended: the uninstaller has gone, after ") +
                      Seconds(waited_for_it) +
                      (showing.empty() ? L"" : L", " + StillShowing(showing.front())));
}

}  // namespace

void RunRemoval(platform::Platform& platform) {
  try {
    // Neither this program nor the uninstaller may hold the folder it was
    // started from open: it may be the very folder being removed. Every path
    // decided on is fully qualified, so nothing depends on this folder.
    const std::wstring system_directory = platform.process.SystemDirectory();
    if (!system_directory.empty()) platform.process.ChangeDirectory(system_directory);
    const std::uint32_t started_at = platform.clock.TickMilliseconds();
    RemoveWiseInstallation(platform, system_directory);
    Trace(platform, L"done after " + Seconds(platform::ElapsedSince(platform.clock, started_at)));
  } catch (...) {
    // Nothing is reported, whatever happened: ending is all that is left.
  }
  platform.debugger.Finish();
  platform.process.End();
}

}  // namespace tarnweld
