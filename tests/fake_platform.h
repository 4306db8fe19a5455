#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tarnweld::fake {

// A stored registry value, with optional faults to inject.
struct FakeValue {
  std::string bytes;
  // When set, every query answers this status and size instead.
  std::optional<long> forced_status;
  std::uint32_t forced_size = 0;
  // Bytes appended after each query, to imitate a value that keeps growing.
  std::string growth_per_query;
};

struct LaunchCall {
  std::wstring program;
  std::wstring command_line;
};

// One scripted operating system: every call is recorded in `events`, every
// handle opened and closed is counted, and each call can be made to fail.
// The clock only moves when the program pauses or waits.
class FakePlatform final : public platform::ThisProcess,
                           public platform::Pause,
                           public platform::Clock,
                           public platform::Registry,
                           public platform::AnsiCodePage,
                           public platform::Shell,
                           public platform::ProcessList {
 public:
  FakePlatform();

  platform::Platform& os() { return platform_; }

  // Scripting.
  std::wstring command_tail;
  std::map<std::string, std::optional<FakeValue>> keys;  // nullopt: no value
  long open_status_for_existing_key = platform::kRegSuccess;
  std::set<std::wstring> normal_files;
  std::uint32_t launch_result = 4242;
  bool launch_throws = false;  // as an allocation failure would
  std::uint32_t now = 1000;
  // Image-name fields of the processes seen by a snapshot taken at `now`.
  std::function<std::vector<platform::ImageName>(std::uint32_t now)> processes;
  bool snapshot_fails = false;
  bool first_entry_fails = false;
  std::deque<std::uint32_t> message_arrivals;  // tick readings

  void AddUninstallValue(const std::string& entry, const std::string& bytes);
  // Started on the entry "OldApp", whose value holds exactly `value_bytes`,
  // with `files` the normal files that exist.
  void StartOnEntry(const std::string& value_bytes, const std::vector<std::wstring>& files = {});

  // Observations.
  std::vector<std::string> events;
  std::vector<LaunchCall> launches;
  std::vector<std::string> opened_paths;
  std::vector<std::wstring> searched_paths;
  std::vector<std::uint32_t> query_sizes;
  std::vector<std::string> decoded;
  int open_handles = 0;
  int handles_ever_opened = 0;
  int ended = 0;
  int messages_waiting = 0;
  int messages_dispatched = 0;
  int snapshots_taken = 0;

  // Names a test can give to snapshots.
  static platform::ImageName Image(const std::string& name);
  static platform::ImageName ImageWithoutNul(char fill);

  // The platform interfaces.
  std::wstring CommandTail() override;
  void End() override;
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override;
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
  std::uint32_t TickMilliseconds() override;
  long OpenLocalMachineKey(const std::string& ansi_path,
                           std::unique_ptr<platform::RegistryKey>* key) override;
  bool Encode(const std::wstring& text, std::string* bytes) override;
  std::wstring Decode(const std::string& bytes) override;
  bool IsNormalFile(const std::wstring& path) override;
  std::uint32_t Launch(const std::wstring& program, const std::wstring& command_line) override;
  std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override;

 private:
  platform::Platform platform_;
};

std::string Narrow(const std::wstring& text);

}  // namespace tarnweld::fake
