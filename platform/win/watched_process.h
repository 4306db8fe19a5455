#pragma once

#include <windows.h>

#include "platform/process_snapshot.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

// A process handle with query and wait rights only.
class OpenedProcess : public WatchedProcess {
 public:
  OpenedProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}

  std::uint32_t id() const override { return id_; }

  std::uint64_t CreationTime() override {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  }

  bool Running() override { return ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

  HANDLE handle() const { return process_.Get(); }

 private:
  ScopedProcess process_;
  DWORD id_;
};

}  // namespace tarnweld::platform::win
