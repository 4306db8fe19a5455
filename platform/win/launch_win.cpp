#include "platform/win/launch_win.h"

#include <windows.h>

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

class Job final : public ProcessGroup {
 public:
  explicit Job(HANDLE job) : job_(job) {}

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

 private:
  ScopedJob job_;
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
