#include "platform/win/process_list_win.h"

#include <windows.h>

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

}  // namespace tarnweld::platform::win
