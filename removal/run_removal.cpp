#include "removal/run_removal.h"

#include "queries/read_reg.h"
#include "removal/uninstall_command.h"

namespace tarnweld {
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

// The entry named exactly by the tail, or, when no entry has that name, the
// one named as an administrator most likely meant it.
ReadReg::EntryRead ReadEntry(platform::Registry& registry, const std::wstring& tail) {
  ReadReg::EntryRead exact = ReadReg::ReadUninstallString(registry, tail);
  if (exact.open_status != platform::kRegFileNotFound) return exact;
  const auto second = SecondEntryName(tail);
  return second ? ReadReg::ReadUninstallString(registry, *second) : exact;
}

struct UninstallerRun {
  std::uint32_t process_id = 0;  // 0 when it did not start
  std::uint32_t error = 0;
  std::unique_ptr<platform::ProcessGroup> group;  // null when not followed
};

// Starts the uninstaller suspended, so that it joins the group that follows
// what it starts before it can start anything, then lets it run. Where it
// cannot join, it runs all the same and the wait goes by name alone.
UninstallerRun StartUninstaller(platform::Platform& platform, const UninstallCommand& command) {
  UninstallerRun run;
  platform::Started started;
  {
    const LauncherErrorMode mode(platform.process);
    started = platform.launcher.StartSuspended(ExplicitProgram(command.uninstaller_path),
                                               AutomaticCommandLine(command));
  }
  if (!started.process) {
    run.error = started.error;
    return run;
  }
  run.group = platform.launcher.CreateGroup();
  if (run.group && !run.group->Add(*started.process)) run.group.reset();
  if (started.process->Resume()) run.process_id = started.process->id();
  return run;
}

void RemoveWiseInstallation(platform::Platform& platform) {
  const std::wstring tail = platform.process.CommandTail();
  platform.pause.Sleep(kStartupPauseMs);
  // Only the test trims; the lookup uses the name exactly as given.
  if (!IsLongEnoughEntryName(tail)) return;

  const auto command = SplitUninstallCommand(ReadEntry(platform.registry, tail).uninstall_string);
  if (!command) return;
  if (!CheckFile(platform.files, command->uninstaller_path).found()) return;
  if (!CheckFile(platform.files, command->arguments).found()) return;

  const UninstallerRun run = StartUninstaller(platform, *command);
  if (run.process_id == 0) return;
  WaitForUninstaller(platform, run.group.get());
}

}  // namespace

void RunRemoval(platform::Platform& platform) {
  try {
    RemoveWiseInstallation(platform);
  } catch (...) {
    // Nothing is reported, whatever happened: ending is all that is left.
  }
  platform.process.End();
}

}  // namespace tarnweld
