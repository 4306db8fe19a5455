#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"
#include "platform/win/system_calls.h"

namespace tarnweld::platform::win {
namespace {

class CreatedProcess final : public SuspendedProcess {
 public:
  explicit CreatedProcess(const PROCESS_INFORMATION& created)
      : process_(created.hProcess), thread_(created.hThread), id_(created.dwProcessId) {}

  std::uint32_t id() const override { return id_; }
  bool Resume() override { return ::ResumeThread(thread_.Get()) != static_cast<DWORD>(-1); }
  HANDLE handle() const { return process_.Get(); }

 private:
  ScopedProcessHandle process_;
  ScopedProcessHandle thread_;
  DWORD id_;
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
  ScopedJobHandle job_;
};

}  // namespace

Started SystemLauncher::StartSuspended(const std::wstring& program,
                                       const std::wstring& command_line) {
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION created{};
  // No other creation flag: the uninstaller inherits the error mode its
  // caller has set around this call.
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &created)) {
    return {nullptr, ::GetLastError()};
  }
  return {std::make_unique<CreatedProcess>(created), 0};
}

std::unique_ptr<ProcessGroup> SystemLauncher::CreateGroup() {
  ScopedJobHandle job(::CreateJobObjectW(nullptr, nullptr));
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
  return std::make_unique<Job>(job.Release());
}

}  // namespace tarnweld::platform::win
