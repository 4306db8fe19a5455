#include "tests/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "core/registry_text.h"
#include "core/wise.h"

namespace tarnweld::fake {
namespace {

// Counts itself in and out of the platform's open handles.
class CountedHandle {
 public:
  explicit CountedHandle(FakePlatform& os) : os_(os) {
    ++os_.open_handles;
    ++os_.handles_ever_opened;
  }
  ~CountedHandle() { --os_.open_handles; }
  CountedHandle(const CountedHandle&) = delete;
  CountedHandle& operator=(const CountedHandle&) = delete;

 protected:
  FakePlatform& os_;
};

class FakeKey final : public platform::RegistryKey, CountedHandle {
 public:
  FakeKey(FakePlatform& os, FakeKeyValues& values) : CountedHandle(os), values_(values) {}

  // The stored bytes go through the same sizing and decoding as the real
  // key's.
  platform::RegistryText ReadText(const std::wstring& name) override {
    os_.events.push_back("query " + Narrow(name));
    const auto found = values_.find(name);
    if (found == values_.end()) return {platform::kRegFileNotFound, {}};
    if (found->second.forced_status) return {*found->second.forced_status, {}};
    const std::string& stored = found->second.bytes;
    return registry_text::Read([&](unsigned char* data, std::uint32_t* size) {
      const bool fits = stored.size() <= *size;
      if (fits) std::copy(stored.begin(), stored.end(), data);
      *size = static_cast<std::uint32_t>(stored.size());
      return fits ? platform::kRegSuccess : platform::kRegMoreData;
    });
  }

 private:
  FakeKeyValues& values_;
};

class FakeSnapshot final : public platform::ProcessSnapshot, CountedHandle {
 public:
  FakeSnapshot(FakePlatform& os, std::vector<platform::ProcessEntry> entries)
      : CountedHandle(os), entries_(std::move(entries)) {}

  bool First(platform::ProcessEntry* entry) override {
    if (os_.first_entry_fails) return false;
    next_ = 0;
    return Next(entry);
  }
  bool Next(platform::ProcessEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<platform::ProcessEntry> entries_;
  std::size_t next_ = 0;
};

class FakeWatched : public platform::SuspendedProcess, CountedHandle {
 public:
  FakeWatched(FakePlatform& os, std::uint32_t id, const FakeProcess& process)
      : CountedHandle(os), id_(id), process_(process) {}
  std::uint32_t id() const override { return id_; }
  std::uint64_t CreationTime() override { return process_.created; }
  bool Running() override { return !process_.ends_at || os_.now < *process_.ends_at; }
  bool Resume() override {
    os_.events.push_back("resume");
    return !os_.resume_fails;
  }

 private:
  std::uint32_t id_;
  FakeProcess process_;
};

class FakeGroup final : public platform::ProcessGroup, CountedHandle {
 public:
  explicit FakeGroup(FakePlatform& os) : CountedHandle(os) {}
  bool Add(platform::SuspendedProcess&) override {
    os_.events.push_back("join");
    return !os_.join_fails;
  }
  std::optional<std::uint32_t> ActiveProcesses() override {
    os_.events.push_back("active");
    return os_.group_active(os_.now);
  }
};

}  // namespace

FakePlatform::FakePlatform()
    : group_active([](std::uint32_t) { return std::optional<std::uint32_t>(0); }),
      processes([](std::uint32_t) { return std::vector<platform::ImageName>{}; }),
      platform_{*this, *this, *this, *this, *this, *this, *this, *this, *this, debugger},
      check_{*this, *this, *this, *this, *this, out, err} {}

void FakePlatform::AddUninstallValue(const std::wstring& entry, const std::string& text) {
  AddUninstallValue(entry, std::wstring(text.begin(), text.end()));
}

void FakePlatform::AddUninstallValue(const std::wstring& entry, const std::wstring& text) {
  keys[UninstallKey(entry)] = {{wise::kUninstallValue, TextValue(text)}};
}

void FakePlatform::StartOnEntry(const std::string& text, const std::vector<std::wstring>& files) {
  command_tail = L"OldApp";
  AddUninstallValue(L"OldApp", text);
  normal_files.insert(files.begin(), files.end());
}

platform::ImageName FakePlatform::Image(const std::wstring& name) {
  platform::ImageName field{};
  std::copy_n(name.begin(), std::min(name.size(), field.size() - 1), field.begin());
  return field;
}

platform::ImageName FakePlatform::ImageWithoutNul(wchar_t fill) {
  platform::ImageName field;
  field.fill(fill);
  return field;
}

std::wstring FakePlatform::CommandTail() {
  events.push_back("tail");
  return command_tail;
}

std::uint32_t FakePlatform::LauncherErrorMode() { return launcher_error_mode; }

std::uint32_t FakePlatform::SetErrorMode(std::uint32_t mode) {
  events.push_back("error mode " + std::to_string(mode));
  const std::uint32_t previous = error_mode;
  error_mode = mode;
  return previous;
}

bool FakePlatform::ChangeDirectory(const std::wstring& path) {
  events.push_back("current directory " + Narrow(path));
  return true;
}

void FakePlatform::End() {
  events.push_back("end");
  ++ended;
}

void FakePlatform::Sleep(std::uint32_t milliseconds) {
  events.push_back("sleep " + std::to_string(milliseconds));
  now += milliseconds;
}

void FakePlatform::DispatchWaitingMessages() {
  events.push_back("dispatch");
  messages_dispatched += messages_waiting;
  messages_waiting = 0;
}

bool FakePlatform::WaitForMessage(std::uint32_t timeout_milliseconds) {
  events.push_back("wait " + std::to_string(timeout_milliseconds));
  if (!message_arrivals.empty() &&
      static_cast<std::uint32_t>(message_arrivals.front() - now) <= timeout_milliseconds) {
    now = message_arrivals.front();
    message_arrivals.pop_front();
    ++messages_waiting;
    return true;
  }
  now += timeout_milliseconds;
  return false;
}

std::uint32_t FakePlatform::TickMilliseconds() { return now; }

std::map<std::wstring, FakeKeyValues>& FakePlatform::KeysIn(
    platform::RegistryView view) {
  const bool program_view = view == platform::RegistryView::kProgram || view == views.front();
  return program_view ? keys : other_view_keys;
}

long FakePlatform::OpenLocalMachineKey(const std::wstring& path, platform::RegistryView view,
                                       std::unique_ptr<platform::RegistryKey>* key) {
  events.push_back("open");
  opened_paths.push_back(path);
  auto& in_view = KeysIn(view);
  const auto found = in_view.find(path);
  if (found == in_view.end()) return platform::kRegFileNotFound;
  if (open_status_for_existing_key != platform::kRegSuccess) {
    return open_status_for_existing_key;
  }
  *key = std::make_unique<FakeKey>(*this, found->second);
  return platform::kRegSuccess;
}

long FakePlatform::SubkeyNames(const std::wstring& path, platform::RegistryView view,
                               std::vector<std::wstring>* names) {
  names->clear();
  if (listing_fails) return platform::kRegAccessDenied;
  if (listing_status != platform::kRegSuccess) return listing_status;
  const std::wstring prefix = path + L"\\";
  for (const auto& key : KeysIn(view)) {
    const std::wstring& key_path = key.first;
    if (key_path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::wstring name = key_path.substr(prefix.size());
    if (name.find(L'\\') == std::wstring::npos) names->push_back(name);
  }
  return platform::kRegSuccess;
}

std::wstring FakePlatform::FullPath(const std::wstring& path) { return path; }

platform::DriveKind FakePlatform::DriveOf(const std::wstring& root) {
  const auto drive = drives.find(root);
  return drive == drives.end() ? platform::DriveKind::kFixed : drive->second;
}

platform::SecurityRead FakePlatform::Read(const std::wstring& path) {
  events.push_back("security " + Narrow(path));
  security_reads.push_back(path);
  const auto given = security.find(path);
  if (given != security.end()) return given->second;
  return Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-5-32-545", 0xA0000000}});
}

platform::SidList FakePlatform::AdministratorsMembers() {
  ++member_listings;
  return administrators;
}

platform::MembershipFound FakePlatform::AdministratorThroughGroups(const std::wstring& sid) {
  const auto found = indirect_members.find(sid);
  if (found != indirect_members.end()) return found->second;
  return {platform::Membership::kNotMember, 0};
}

std::wstring FakePlatform::NameOf(const std::wstring& sid) {
  const auto name = account_names.find(sid);
  return name == account_names.end() ? L"" : name->second;
}

platform::FileFound FakePlatform::Find(const std::wstring& path) {
  events.push_back("find " + Narrow(path));
  searched_paths.push_back(path);
  if (normal_files.count(path) != 0) return {platform::FileKind::kNormalFile, 0};
  const auto other = other_files.find(path);
  if (other != other_files.end()) return {other->second, 0};
  return {platform::FileKind::kMissing, 2};
}

platform::Started FakePlatform::StartSuspended(const platform::LaunchRequest& request) {
  events.push_back(request.break_away ? "launch breaking away" : "launch");
  launches.push_back(
      {request.program, request.command_line, request.current_directory, request.break_away});
  if (launch_throws) throw std::bad_alloc();
  if (launch_result == 0 || (request.break_away && break_away_fails)) return {nullptr, 5};
  return {std::make_unique<FakeWatched>(*this, launch_result, uninstaller), 0};
}

std::unique_ptr<platform::ProcessGroup> FakePlatform::CreateGroup() {
  events.push_back("group");
  if (group_fails) return nullptr;
  return std::make_unique<FakeGroup>(*this);
}

std::unique_ptr<platform::ProcessSnapshot> FakePlatform::TakeSnapshot() {
  events.push_back("snapshot");
  ++snapshots_taken;
  if (snapshot_fails) return nullptr;
  std::vector<platform::ProcessEntry> entries;
  for (const platform::ImageName& name : processes(now)) {
    entries.push_back({name, static_cast<std::uint32_t>(10000 + entries.size()), 0});
  }
  if (family) {
    for (const platform::ProcessEntry& entry : family(now)) entries.push_back(entry);
  }
  return std::make_unique<FakeSnapshot>(*this, std::move(entries));
}

std::unique_ptr<platform::WatchedProcess> FakePlatform::Open(std::uint32_t id) {
  events.push_back("open process " + std::to_string(id));
  const auto process = openable.find(id);
  if (process == openable.end()) return nullptr;
  return std::make_unique<FakeWatched>(*this, id, process->second);
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed) {
  platform::SecurityRead read;
  read.owner = owner;
  read.has_access_list = true;
  for (const auto& [sid, mask] : allowed) {
    read.entries.push_back({platform::EntryKind::kAllow, false, mask, sid});
  }
  return read;
}

std::wstring UninstallKey(const std::wstring& name) {
  return std::wstring(wise::kUninstallKey) + L"\\" + name;
}

}  // namespace tarnweld::fake
