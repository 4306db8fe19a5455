#include "platform/win/process_list_win.h"

#include <windows.h>

#include "platform/win/process_user_win.h"
#include "platform/win/snapshot_win.h"
#include "platform/win/watched_process.h"

namespace tarnweld::platform::win {

std::unique_ptr<ProcessSnapshot> ToolhelpProcessList::TakeSnapshot() {
  return TakeToolhelpSnapshot();
}

std::unique_ptr<WatchedProcess> ToolhelpProcessList::Open(std::uint32_t id) {
  // The limited right exists from Vista on; XP knows only the full one.
  // Both only read, and SYNCHRONIZE only waits.
  HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
  if (!process) return nullptr;
  return std::make_unique<OpenedProcess>(process, id);
}

ProcessUser ToolhelpProcessList::UserOf(std::uint32_t id) { return UserOfProcess(id); }

std::optional<std::uint64_t> ToolhelpProcessList::RunTime(std::uint32_t id) {
  return RunTimeOfProcess(id);
}

std::optional<std::uint32_t> ToolhelpProcessList::SessionOf(std::uint32_t id) {
  return SessionOfProcess(id);
}

std::optional<std::uint32_t> ToolhelpProcessList::OwnSession() { return SessionOfThisProcess(); }

std::optional<std::wstring> ToolhelpProcessList::CommandLineOf(std::uint32_t id) {
  return CommandLineOfProcess(id);
}

}  // namespace tarnweld::platform::win
