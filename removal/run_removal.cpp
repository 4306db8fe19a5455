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

void RemoveWiseInstallation(platform::Platform& platform) {
  const std::wstring tail = platform.process.CommandTail();
  platform.pause.Sleep(kStartupPauseMs);
  // Only the test trims; the lookup uses the name exactly as given.
  if (!IsLongEnoughEntryName(tail)) return;

  const auto command = SplitUninstallCommand(ReadEntry(platform.registry, tail).uninstall_string);
  if (!command) return;
  if (!CheckFile(platform.files, command->uninstaller_path).found()) return;
  if (!CheckFile(platform.files, command->arguments).found()) return;

  platform::Launched launched;
  {
    const LauncherErrorMode mode(platform.process);
    launched = platform.launcher.Launch(ExplicitProgram(command->uninstaller_path),
                                        AutomaticCommandLine(*command));
  }
  if (launched.process_id == 0) return;
  WaitForUninstaller(platform);
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
