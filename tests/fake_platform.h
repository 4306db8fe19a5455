#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/check.h"
#include "platform/platform.h"

namespace tarnweld::fake {

// A registry value as stored: UTF-16LE bytes, or a status that every read
// of it answers instead.
struct FakeValue {
  std::string bytes;
  std::optional<long> forced_status;
};
// A key's values, by name.
using FakeKeyValues = std::map<std::wstring, FakeValue>;

// Text written to one output, each write kept apart too.
struct CapturedOutput final : platform::TextOutput {
  bool Write(std::wstring_view written) override {
    text += written;
    writes.emplace_back(written);
    return !fails;
  }
  void Finish() override { ++finished; }
  std::wstring text;
  std::vector<std::wstring> writes;
  bool fails = false;
  int finished = 0;
};

struct LaunchCall {
  std::wstring program;
  std::wstring command_line;
  std::wstring current_directory;
  bool break_away = false;
};

// A process the fake can open by id: when it was created and when it ends.
struct FakeProcess {
  std::uint64_t created = 0;
  std::optional<std::uint32_t> ends_at;  // a tick reading; none: it runs on
};

// One scripted operating system: every call is recorded in `events`, every
// handle opened and closed is counted, and each call can be made to fail.
// The clock only moves when the program pauses or waits.
class FakePlatform final : public platform::ThisProcess,
                           public platform::Pause,
                           public platform::Clock,
                           public platform::Registry,
                           public platform::RegistryListing,
                           public platform::FileSearch,
                           public platform::FileSecurity,
                           public platform::Accounts,
                           public platform::Launcher,
                           public platform::ProcessList {
 public:
  FakePlatform();

  platform::Platform& os() { return platform_; }
  check::CheckPlatform& check() { return check_; }

  // Scripting.
  std::wstring command_tail;
  std::map<std::wstring, FakeKeyValues> keys;  // by path
  // The system's views, the program's own first; `keys` are in that one,
  // `other_view_keys` in the second.
  std::vector<platform::RegistryView> views{platform::RegistryView::k32Bit,
                                            platform::RegistryView::k64Bit};
  std::map<std::wstring, FakeKeyValues> other_view_keys;
  long open_status_for_existing_key = platform::kRegSuccess;
  bool listing_fails = false;  // as access denied
  long listing_status = platform::kRegSuccess;
  // Every file and folder's security, unless given here: owned by
  // Administrators, who alone may change it.
  std::map<std::wstring, platform::SecurityRead> security;
  std::map<std::wstring, platform::DriveKind> drives;  // fixed unless given
  std::wstring caller_sid = L"S-1-5-21-7-7-7-1000";
  platform::SidList administrators{0, {L"S-1-5-21-7-7-7-500"}};
  std::map<std::wstring, platform::MembershipFound> indirect_members;  // kNotMember unless given
  std::map<std::wstring, std::wstring> account_names;
  std::set<std::wstring> normal_files;
  std::map<std::wstring, platform::FileKind> other_files;  // folders, devices, ...
  std::uint32_t launcher_error_mode = 0x8000;
  std::uint32_t error_mode = 0x8003;   // quiet, as the program sets it
  std::uint32_t launch_result = 4242;  // the process id; 0: it cannot start
  bool launch_throws = false;          // as an allocation failure would
  bool may_break_away = false;         // running in a job that allows it
  bool break_away_fails = false;
  std::wstring system_directory = L"C:\\WINDOWS\\system32";
  // The launched uninstaller, as the wait sees it through its handle: it
  // has ended unless a test says otherwise (the process list decides).
  FakeProcess uninstaller{5000, 0};
  // Processes the wait may open by id.
  std::map<std::uint32_t, FakeProcess> openable;
  bool resume_fails = false;
  bool group_fails = false;
  bool join_fails = false;
  // Processes of the uninstaller's group still running at `now`.
  std::function<std::optional<std::uint32_t>(std::uint32_t now)> group_active;
  std::uint32_t now = 1000;
  // Image-name fields of the processes seen by a snapshot taken at `now`
  // (ids from 10000 on, no parent), then `family`, with ids and parents.
  std::function<std::vector<platform::ImageName>(std::uint32_t now)> processes;
  std::function<std::vector<platform::ProcessEntry>(std::uint32_t now)> family;
  bool snapshot_fails = false;
  bool first_entry_fails = false;
  std::deque<std::uint32_t> message_arrivals;  // tick readings

  // A value whose text is `text`, each char one UTF-16 unit (Latin-1), and
  // no terminator unless `text` ends with '\0'.
  void AddUninstallValue(const std::wstring& entry, const std::string& text);
  void AddUninstallValue(const std::wstring& entry, const std::wstring& text);
  // Started on the entry "OldApp", whose value holds exactly `text`,
  // with `files` the normal files that exist.
  void StartOnEntry(const std::string& text, const std::vector<std::wstring>& files = {});

  // Observations.
  std::vector<std::string> events;
  std::vector<LaunchCall> launches;
  std::vector<std::wstring> opened_paths;
  std::vector<std::wstring> searched_paths;
  CapturedOutput debugger, out, err;
  int open_handles = 0;
  int handles_ever_opened = 0;
  int ended = 0;
  int messages_waiting = 0;
  int messages_dispatched = 0;
  int snapshots_taken = 0;
  int member_listings = 0;
  std::vector<std::wstring> security_reads;

  // Names a test can give to snapshots.
  static platform::ImageName Image(const std::wstring& name);
  static platform::ImageName ImageWithoutNul(wchar_t fill);

  // The platform interfaces.
  std::wstring CommandTail() override;
  std::uint32_t LauncherErrorMode() override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::wstring SystemDirectory() override { return system_directory; }
  bool ChangeDirectory(const std::wstring& path) override;
  void End() override;
  void Sleep(std::uint32_t milliseconds) override;
  void DispatchWaitingMessages() override;
  bool WaitForMessage(std::uint32_t timeout_milliseconds) override;
  std::uint32_t TickMilliseconds() override;
  long OpenLocalMachineKey(const std::wstring& path, platform::RegistryView view,
                           std::unique_ptr<platform::RegistryKey>* key) override;
  long SubkeyNames(const std::wstring& path, platform::RegistryView view,
                   std::vector<std::wstring>* names) override;
  std::vector<platform::RegistryView> Views() override { return views; }
  std::wstring FullPath(const std::wstring& path) override;
  platform::DriveKind DriveOf(const std::wstring& root) override;
  platform::SecurityRead Read(const std::wstring& path) override;
  std::wstring CallerSid() override { return caller_sid; }
  platform::SidList AdministratorsMembers() override;
  platform::MembershipFound AdministratorThroughGroups(const std::wstring& sid) override;
  std::wstring NameOf(const std::wstring& sid) override;
  platform::FileFound Find(const std::wstring& path) override;
  platform::Started StartSuspended(const platform::LaunchRequest& request) override;
  bool MayBreakAwayFromJob() override { return may_break_away; }
  std::unique_ptr<platform::ProcessGroup> CreateGroup() override;
  std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override;
  std::unique_ptr<platform::WatchedProcess> Open(std::uint32_t id) override;

 private:
  std::map<std::wstring, FakeKeyValues>& KeysIn(platform::RegistryView view);

  platform::Platform platform_;
  check::CheckPlatform check_;
};

std::string Narrow(const std::wstring& text);
// UTF-16LE bytes of `text`, as the registry stores it.
std::string Utf16(const std::wstring& text);
// A value holding `text`, without a terminator.
inline FakeValue TextValue(const std::wstring& text) { return {Utf16(text), std::nullopt}; }
// Security owned by `owner` with these allow entries (not inherit-only).
platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed);
// The path of the entry `name` under the uninstall key.
std::wstring UninstallKey(const std::wstring& name);

}  // namespace tarnweld::fake
