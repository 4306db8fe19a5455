#pragma once

#include "platform/platform.h"

namespace tarnweld::platform::win {

class SystemProcess final : public ThisProcess {
 public:
  std::wstring CommandTail() override;
  std::uint32_t LauncherErrorMode() override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  void End() override;
};

class SystemPause final : public Pause {
 public:
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override;
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
};

class TickClock final : public Clock {
 public:
  std::uint32_t TickMilliseconds() override;
};

class SystemRegistry final : public Registry {
 public:
  long OpenLocalMachineKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override;
};

class SystemFileSearch final : public FileSearch {
 public:
  FileFound Find(const std::wstring& path) override;
};

class SystemLauncher final : public Launcher {
 public:
  Started StartSuspended(const std::wstring& program, const std::wstring& command_line) override;
  std::unique_ptr<ProcessGroup> CreateGroup() override;
};

class ToolhelpProcessList final : public ProcessList {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
};

}  // namespace tarnweld::platform::win
