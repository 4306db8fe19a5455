#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"
#include "platform/win/system_calls.h"

#ifndef FILE_ATTRIBUTE_DEVICE
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#endif

namespace tarnweld::platform::win {
namespace {

// Read-only and archive files are normal; these are not.
constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

}  // namespace

bool SystemShell::IsNormalFile(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const ScopedFindHandle search(::FindFirstFileW(path.c_str(), &found));
  return search.IsValid() && (found.dwFileAttributes & kNotNormal) == 0;
}

std::uint32_t SystemShell::Launch(const std::wstring& program, const std::wstring& command_line) {
  // CreateProcessW may write into the command line it is given.
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  // The default error mode keeps this program's silenced dialogs from
  // reaching the uninstaller, which may need to ask its user something.
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &started)) {
    return 0;
  }
  // The uninstaller is never touched again.
  const ScopedProcessHandle process(started.hProcess);
  const ScopedProcessHandle thread(started.hThread);
  return started.dwProcessId;
}

}  // namespace tarnweld::platform::win
