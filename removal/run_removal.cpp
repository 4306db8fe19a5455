#include "removal/run_removal.h"

#include "platform/text.h"
#include "queries/read_reg.h"
#include "removal/uninstall_command.h"

namespace tarnweld {
namespace {

constexpr std::uint32_t kStartupPauseMs = 100;
constexpr std::size_t kShortestEntryName = 2;

void RemoveWiseInstallation(platform::Platform& platform) {
  const std::wstring entry_name = platform.process.CommandTail();
  platform.pause.Sleep(kStartupPauseMs);
  // Only the test trims; the lookup uses the name exactly as given.
  if (text::TrimSpaces(entry_name).size() < kShortestEntryName) return;

  const std::wstring uninstall_command = ReadReg::GetUninstallString(platform, entry_name);
  const auto command = SplitUninstallCommand(uninstall_command);
  if (!command) return;
  if (!FileSearchFinds(platform.shell, command->uninstaller_path)) return;
  if (!FileSearchFinds(platform.shell, command->arguments)) return;

  const std::uint32_t process_id = platform.shell.Launch(ExplicitProgram(command->uninstaller_path),
                                                         AutomaticCommandLine(*command));
  if (process_id == 0) return;
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
