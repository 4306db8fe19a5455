#pragma once

#include "platform/platform.h"

namespace tarnweld::platform::win {

class SystemProcess final : public ThisProcess {
 public:
  std::wstring CommandTail() override;
  std::uint32_t LauncherErrorMode() override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::wstring SystemDirectory() override;
  bool ChangeDirectory(const std::wstring& path) override;
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
  long OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                           std::unique_ptr<RegistryKey>* key) override;
};

// KEY_WOW64_32KEY, KEY_WOW64_64KEY, or no flag for the program's own view.
unsigned long RegistryViewFlag(RegistryView view);

class SystemRegistryListing final : public RegistryListing {
 public:
  long SubkeyNames(const std::wstring& path, RegistryView view,
                   std::vector<std::wstring>* names) override;
  std::vector<RegistryView> Views() override;
};

class SystemFileSecurity final : public FileSecurity {
 public:
  std::wstring FullPath(const std::wstring& path) override;
  DriveKind DriveOf(const std::wstring& root) override;
  SecurityRead Read(const std::wstring& path) override;
};

// The text form of a SID (S-1-5-18); empty when it has none.
std::wstring SidText(void* sid);

// GetFullPathNameW at any length; empty, with `*error` set, when it fails.
std::wstring FullPathName(const std::wstring& path, unsigned long* error);

class SystemAccounts final : public Accounts {
 public:
  std::wstring CallerSid() override;
  SidList AdministratorsMembers() override;
  MembershipFound AdministratorThroughGroups(const std::wstring& sid) override;
  std::wstring NameOf(const std::wstring& sid) override;
};

// OutputDebugStringW, one line per call, from a thread of its own: a
// debugger or listener that does not take the line holds that thread, never
// the removal. Finish waits at most 100 ms for what is still queued.
class DebuggerOutput final : public TextOutput {
 public:
  bool Write(std::wstring_view text) override;
  void Finish() override;
};

// Standard output or error: the console's own wide text when it is one,
// UTF-8 when redirected to a file or pipe.
class StandardOutput final : public TextOutput {
 public:
  enum class Stream { kOutput, kError };
  explicit StandardOutput(Stream stream) : stream_(stream) {}
  bool Write(std::wstring_view text) override;

 private:
  Stream stream_;
};

class SystemFileSearch final : public FileSearch {
 public:
  FileFound Find(const std::wstring& path) override;
};

class SystemLauncher final : public Launcher {
 public:
  Started StartSuspended(const LaunchRequest& request) override;
  bool MayBreakAwayFromJob() override;
  std::unique_ptr<ProcessGroup> CreateGroup() override;
};

class ToolhelpProcessList final : public ProcessList {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<WatchedProcess> Open(std::uint32_t id) override;
};

}  // namespace tarnweld::platform::win
