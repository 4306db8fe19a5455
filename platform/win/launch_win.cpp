#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"
#include "platform/win/system_calls.h"

namespace tarnweld::platform::win {

Launched SystemLauncher::Launch(const std::wstring& program, const std::wstring& command_line) {
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  // No creation flags: the uninstaller inherits the error mode its caller
  // has set around this call.
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return {0, ::GetLastError()};
  }
  // The uninstaller is never touched again.
  const ScopedProcessHandle process(started.hProcess);
  const ScopedProcessHandle thread(started.hThread);
  return {started.dwProcessId, 0};
}

}  // namespace tarnweld::platform::win
