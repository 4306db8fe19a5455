#include "tests/fake_processes.h"

#include <algorithm>
#include <new>

namespace tarnweld::fake {
namespace {

class FakeSnapshot final : public platform::ProcessSnapshot, CountedHandle {
 public:
  FakeSnapshot(Recorder& record, const FakeProcesses& processes,
               std::vector<platform::ProcessEntry> entries)
      : CountedHandle(record), processes_(processes), entries_(std::move(entries)) {}

  bool First(platform::ProcessEntry* entry) override {
    if (processes_.first_entry_fails) return false;
    next_ = 0;
    return Next(entry);
  }
  bool Next(platform::ProcessEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  const FakeProcesses& processes_;
  std::vector<platform::ProcessEntry> entries_;
  std::size_t next_ = 0;
};

class FakeWatched : public platform::SuspendedProcess, CountedHandle {
 public:
  FakeWatched(Recorder& record, const FakeProcesses& processes, std::uint32_t id,
              const FakeProcess& process)
      : CountedHandle(record), processes_(processes), id_(id), process_(process) {}
  std::uint32_t id() const override { return id_; }
  std::uint64_t CreationTime() override { return process_.created; }
  bool Running() override { return !process_.ends_at || record_.now < *process_.ends_at; }
  bool Resume() override {
    record_.events.push_back("resume");
    return !processes_.resume_fails;
  }

 private:
  const FakeProcesses& processes_;
  std::uint32_t id_;
  FakeProcess process_;
};

class FakeGroup final : public platform::ProcessGroup, CountedHandle {
 public:
  FakeGroup(Recorder& record, const FakeProcesses& processes)
      : CountedHandle(record), processes_(processes) {}
  bool Add(platform::SuspendedProcess&) override {
    record_.events.push_back("join");
    return !processes_.join_fails;
  }
  std::optional<std::uint32_t> ActiveProcesses() override {
    record_.events.push_back("active");
    return processes_.group_active(record_.now);
  }
  std::vector<std::uint32_t> ProcessIds() override { return processes_.group_ids; }
  bool WaitForChange(std::uint32_t milliseconds) override {
    if (!processes_.group_waitable) return false;
    record_.events.push_back("group wait " + std::to_string(milliseconds));
    const auto before = processes_.group_active(record_.now);
    for (std::uint32_t waited = 0; waited < milliseconds; ++waited) {
      if (processes_.group_active(++record_.now) != before) break;
    }
    return true;
  }

 private:
  const FakeProcesses& processes_;
};

class FakeLock final : public platform::RemovalLock, CountedHandle {
 public:
  FakeLock(Recorder& record, FakeLocks& locks, std::wstring maker, bool made)
      : CountedHandle(record), locks_(locks), maker_(std::move(maker)), made_(made) {}
  ~FakeLock() override {
    if (taken_) {
      record_.events.push_back("lock let go");
      --locks_.held_now;
      locks_.exists = false;
    }
  }

  // Time passes until the holder lets go, a message arrives, or the timeout.
  platform::LockWait TakeOrMessage(std::uint32_t milliseconds) override {
    record_.events.push_back("lock wait");
    const bool free =
        made_ || locks_.abandoned ||
        (!locks_.held_for_ever && (!locks_.held_until || *locks_.held_until <= record_.now));
    const bool let_go_in_time = !locks_.held_for_ever && locks_.held_until &&
                                *locks_.held_until - record_.now <= milliseconds &&
                                NoMessageBefore(*locks_.held_until);
    if (free || let_go_in_time) {
      if (!made_ && locks_.held_until && *locks_.held_until > record_.now) {
        record_.now = *locks_.held_until;
        if (locks_.on_let_go) locks_.on_let_go();
      }
      taken_ = true;
      ++locks_.held_now;
      return locks_.abandoned && !made_ ? platform::LockWait::kTakenAbandoned
                                        : platform::LockWait::kTaken;
    }
    for (const std::uint32_t at : locks_.messages) {
      if (at > record_.now && at - record_.now <= milliseconds) {
        record_.now = at;
        ++locks_.messages_while_waiting;
        return platform::LockWait::kMessage;
      }
    }
    record_.now += milliseconds;
    return platform::LockWait::kTimeout;
  }
  std::wstring MakerSid() override { return maker_; }

 private:
  bool NoMessageBefore(std::uint32_t moment) const {
    for (const std::uint32_t at : locks_.messages) {
      if (at > record_.now && at < moment) return false;
    }
    return true;
  }

  FakeLocks& locks_;
  std::wstring maker_;
  bool made_;
  bool taken_ = false;
};

}  // namespace

platform::LockOpened FakeLocks::Open(const std::wstring& caller_sid) {
  record_.events.push_back("lock open");
  if (open_fails) return {*open_fails, 5, nullptr};
  if (!exists) {
    exists = true;
    return {platform::LockFound::kMade, 0,
            std::make_unique<FakeLock>(record_, *this, caller_sid, true)};
  }
  return {platform::LockFound::kExisting, 0,
          std::make_unique<FakeLock>(record_, *this, maker_sid, false)};
}

bool FakeLocks::Exists() {
  record_.events.push_back("lock exists?");
  return exists || open_fails == platform::LockFound::kDenied;
}

FakeProcesses::FakeProcesses(Recorder& record)
    : group_active([](std::uint32_t) { return std::optional<std::uint32_t>(0); }),
      processes([](std::uint32_t) { return std::vector<platform::ImageName>{}; }),
      record_(record) {}

platform::ImageName FakeProcesses::Image(const std::wstring& name) {
  platform::ImageName field{};
  std::copy_n(name.begin(), std::min(name.size(), field.size() - 1), field.begin());
  return field;
}

platform::ImageName FakeProcesses::ImageWithoutNul(wchar_t fill) {
  platform::ImageName field;
  field.fill(fill);
  return field;
}

platform::Started FakeProcesses::StartSuspended(const platform::LaunchRequest& request) {
  record_.events.push_back(request.break_away ? "launch breaking away" : "launch");
  launches.push_back({request.program, request.command_line, request.current_directory,
                      request.break_away, request.environment});
  if (launch_throws) throw std::bad_alloc();
  if (launch_result == 0 || (request.break_away && break_away_fails)) return {nullptr, 5};
  return {std::make_unique<FakeWatched>(record_, *this, launch_result, uninstaller), 0};
}

std::unique_ptr<platform::ProcessGroup> FakeProcesses::CreateGroup() {
  record_.events.push_back("group");
  if (group_fails) return nullptr;
  return std::make_unique<FakeGroup>(record_, *this);
}

std::unique_ptr<platform::ProcessSnapshot> FakeProcesses::TakeSnapshot() {
  record_.events.push_back("snapshot");
  if (snapshot_fails) return nullptr;
  std::vector<platform::ProcessEntry> entries;
  for (const platform::ImageName& name : processes(record_.now)) {
    entries.push_back({name, static_cast<std::uint32_t>(10000 + entries.size()), 0});
  }
  if (family) {
    for (const platform::ProcessEntry& entry : family(record_.now)) entries.push_back(entry);
  }
  return std::make_unique<FakeSnapshot>(record_, *this, std::move(entries));
}

std::unique_ptr<platform::WatchedProcess> FakeProcesses::Open(std::uint32_t id) {
  record_.events.push_back("open process " + std::to_string(id));
  const auto process = openable.find(id);
  if (process == openable.end()) return nullptr;
  return std::make_unique<FakeWatched>(record_, *this, id, process->second);
}

platform::ProcessUser FakeProcesses::UserOf(std::uint32_t id) {
  record_.events.push_back("user of " + std::to_string(id));
  const auto user = users.find(id);
  return user == users.end() ? platform::ProcessUser{L"S-1-5-18", 0} : user->second;
}

std::optional<std::uint64_t> FakeProcesses::RunTime(std::uint32_t id) {
  const auto given = run_ms.find(id);
  return given == run_ms.end() ? 1000 : given->second;
}

std::optional<std::uint32_t> FakeProcesses::SessionOf(std::uint32_t id) {
  const auto given = sessions.find(id);
  return given == sessions.end() ? 1 : given->second;
}

std::optional<std::wstring> FakeProcesses::CommandLineOf(std::uint32_t id) {
  const auto given = command_lines.find(id);
  if (given == command_lines.end()) return std::nullopt;
  return given->second;
}

platform::WindowsSeen FakeProcesses::Of(const std::vector<std::uint32_t>& process_ids) {
  std::string ids;
  for (const std::uint32_t id : process_ids) ids += " " + std::to_string(id);
  record_.events.push_back("windows of" + ids);
  platform::WindowsSeen seen{{}, windows_error};
  if (windows_error != 0 || !windows_shown) return seen;
  for (const platform::ShownWindow& window : windows_shown(record_.now)) {
    if (std::find(process_ids.begin(), process_ids.end(), window.process_id) != process_ids.end()) {
      seen.windows.push_back(window);
    }
  }
  return seen;
}

std::wstring FakeProgram::CommandTail() {
  record_.events.push_back("tail");
  return command_tail;
}

std::uint32_t FakeProgram::SetErrorMode(std::uint32_t mode) {
  record_.events.push_back("error mode " + std::to_string(mode));
  const std::uint32_t previous = error_mode;
  error_mode = mode;
  return previous;
}

bool FakeProgram::ChangeDirectory(const std::wstring& path) {
  record_.events.push_back("current directory " + Narrow(path));
  return true;
}

void FakeProgram::End() {
  record_.events.push_back("end");
  ++ended;
}

void FakeProgram::Sleep(std::uint32_t milliseconds) {
  record_.events.push_back("sleep " + std::to_string(milliseconds));
  record_.now += milliseconds;
}

void FakeProgram::DispatchWaitingMessages() {
  record_.events.push_back("dispatch");
  messages_dispatched += messages_waiting;
  messages_waiting = 0;
}

bool FakeProgram::WaitForMessage(std::uint32_t timeout_milliseconds) {
  record_.events.push_back("wait " + std::to_string(timeout_milliseconds));
  if (!message_arrivals.empty() &&
      static_cast<std::uint32_t>(message_arrivals.front() - record_.now) <= timeout_milliseconds) {
    record_.now = message_arrivals.front();
    message_arrivals.pop_front();
    ++messages_waiting;
    return true;
  }
  record_.now += timeout_milliseconds;
  return false;
}

}  // namespace tarnweld::fake
