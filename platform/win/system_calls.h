#pragma once

#include "platform/platform.h"

namespace tarnweld::platform::win {

class SystemProcess final : public ThisProcess {
 public:
  std::wstring CommandTail() override;
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
  long OpenLocalMachineKey(const std::string& ansi_path,
                           std::unique_ptr<RegistryKey>* key) override;
};

class SystemAnsiCodePage final : public AnsiCodePage {
 public:
  bool Encode(const std::wstring& text, std::string* bytes) override;
  std::wstring Decode(const std::string& bytes) override;
};

class SystemShell final : public Shell {
 public:
  bool IsNormalFile(const std::wstring& path) override;
  std::uint32_t Launch(const std::wstring& program, const std::wstring& command_line) override;
};

class ToolhelpProcessList final : public ProcessList {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
};

}  // namespace tarnweld::platform::win
