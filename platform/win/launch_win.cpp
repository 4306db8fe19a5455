#include "platform/win/launch_win.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win/scoped_handle.h"
#include "platform/win/watched_process.h"

namespace tarnweld::platform::win {
namespace {

class CreatedProcess final : public SuspendedProcess {
 public:
  explicit CreatedProcess(const PROCESS_INFORMATION& created)
      : process_(created.hProcess, created.dwProcessId), thread_(created.hThread) {}

  std::uint32_t id() const override { return process_.id(); }
  std::uint64_t CreationTime() override { return process_.CreationTime(); }
  bool Running() override { return process_.Running(); }
  bool Resume() override { return ::ResumeThread(thread_.Get()) != static_cast<DWORD>(-1); }
  HANDLE handle() const { return process_.handle(); }

 private:
  OpenedProcess process_;
  ScopedThread thread_;
};

// The job's news, waited for without polling: the system posts to the job's
// completion port whenever a process joins it or ends, and when none is
// left; a thread of its own takes each post and sets an event, which the
// wait waits on together with the thread's window messages.
class JobNews {
 public:
  static std::unique_ptr<JobNews> Watch(HANDLE job) {
    auto news = std::unique_ptr<JobNews>(new JobNews);
    news->port_.Reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    news->arrived_.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!news->port_.IsValid() || !news->arrived_.IsValid()) return nullptr;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT port{};
    port.CompletionKey = job;
    port.CompletionPort = news->port_.Get();
    if (!::SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &port,
                                   sizeof port)) {
      return nullptr;
    }
    news->taker_.Reset(::CreateThread(nullptr, 0, &JobNews::Take, news.get(), 0, nullptr));
    if (!news->taker_.IsValid()) return nullptr;
    return news;
  }
  ~JobNews() {
    if (!taker_.IsValid()) return;
    ::PostQueuedCompletionStatus(port_.Get(), 0, kQuit, nullptr);
    ::WaitForSingleObject(taker_.Get(), 1'000);
  }
  JobNews(const JobNews&) = delete;
  JobNews& operator=(const JobNews&) = delete;

  void Wait(std::uint32_t milliseconds) {
    const HANDLE arrived = arrived_.Get();
    ::MsgWaitForMultipleObjectsEx(1, &arrived, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

 private:
  static constexpr ULONG_PTR kQuit = ~ULONG_PTR{0};
  JobNews() = default;

  static DWORD WINAPI Take(void* self) {
    auto* news = static_cast<JobNews*>(self);
    for (;;) {
      DWORD message = 0;
      ULONG_PTR key = 0;
      OVERLAPPED* unused = nullptr;
      if (!::GetQueuedCompletionStatus(news->port_.Get(), &message, &key, &unused, INFINITE) ||
          key == kQuit) {
        return 0;
      }
      ::SetEvent(news->arrived_.Get());
    }
  }

  ScopedPort port_;
  ScopedEvent arrived_;
  ScopedThread taker_;
};

class Job final : public ProcessGroup {
 public:
  explicit Job(HANDLE job) : job_(job), news_(JobNews::Watch(job)) {}

  bool Add(SuspendedProcess& process) override {
    // Only this launcher makes suspended processes.
    return ::AssignProcessToJobObject(job_.Get(), static_cast<CreatedProcess&>(process).handle()) !=
           FALSE;
  }

  std::optional<std::uint32_t> ActiveProcesses() override {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!::QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                     sizeof accounting, nullptr)) {
      return std::nullopt;
    }
    return accounting.ActiveProcesses;
  }

  std::vector<std::uint32_t> ProcessIds() override {
    struct {
      JOBOBJECT_BASIC_PROCESS_ID_LIST list;
      ULONG_PTR more[63];
    } ids{};
    ids.list.NumberOfAssignedProcesses = 64;
    if (!::QueryInformationJobObject(job_.Get(), JobObjectBasicProcessIdList, &ids, sizeof ids,
                                     nullptr)) {
      return {};
    }
    std::vector<std::uint32_t> found;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList && i < 64; ++i) {
      found.push_back(
          static_cast<std::uint32_t>(i == 0 ? ids.list.ProcessIdList[0] : ids.more[i - 1]));
    }
    return found;
  }

  bool WaitForChange(std::uint32_t milliseconds) override {
    if (!news_) return false;
    news_->Wait(milliseconds);
    return true;
  }

 private:
  ScopedJob job_;
  std::unique_ptr<JobNews> news_;  // null: the job is asked at intervals
};

}  // namespace

Started SystemLauncher::StartSuspended(const LaunchRequest& request) {
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> line(request.command_line.begin(), request.command_line.end());
  line.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION created{};
  // No error-mode flag: the uninstaller inherits the error mode its caller
  // has set around this call.
  // The environment, when given: each NAME=value ends with a NUL, the block
  // with one more.
  std::vector<wchar_t> environment;
  for (const std::wstring& variable : request.environment) {
    environment.insert(environment.end(), variable.begin(), variable.end());
    environment.push_back(L'\0');
  }
  if (!environment.empty()) environment.push_back(L'\0');
  const DWORD flags = CREATE_SUSPENDED | (request.break_away ? CREATE_BREAKAWAY_FROM_JOB : 0) |
                      (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
  const wchar_t* program = request.program.empty() ? nullptr : request.program.c_str();
  const wchar_t* directory =
      request.current_directory.empty() ? nullptr : request.current_directory.c_str();
  if (!::CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, flags,
                        environment.empty() ? nullptr : environment.data(), directory, &startup,
                        &created)) {
    return {nullptr, ::GetLastError()};
  }
  return {std::make_unique<CreatedProcess>(created), 0};
}

bool SystemLauncher::MayBreakAwayFromJob() {
  BOOL in_job = FALSE;
  if (!::IsProcessInJob(::GetCurrentProcess(), nullptr, &in_job) || !in_job) return false;
  // A null job handle asks about the job this process runs in.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  if (!::QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits, nullptr)) {
    return false;
  }
  return (limits.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_BREAKAWAY_OK) != 0;
}

std::unique_ptr<ProcessGroup> SystemLauncher::CreateGroup() {
  ScopedJob job(::CreateJobObjectW(nullptr, nullptr));
  if (!job.IsValid()) return nullptr;
  // A job refuses, by default, a child that asks to break away from it; the
  // uninstaller must run exactly as it would outside one. Nothing else is
  // limited, and closing the job ends nothing.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
    return nullptr;
  }
  return std::make_unique<Job>(job.Take());
}

}  // namespace tarnweld::platform::win
