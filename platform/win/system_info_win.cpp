#include "platform/win/system_info_win.h"

#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

// The manifest names every version up to Windows 10 and 11, so the answer
// is not the one kept for programs written before them.
unsigned SystemFacts::MajorVersion() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!::GetVersionExW(&version)) return 0;
  return version.dwMajorVersion;
}

bool SystemFacts::TerminalServerUsersEnabled() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Terminal Server", 0,
                      KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  const ScopedRegKey key(opened);
  DWORD type = 0, value = 0, size = sizeof value;
  return ::RegQueryValueExW(key.Get(), L"TSUserEnabled", nullptr, &type,
                            reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == sizeof value && value == 1;
}

// The system's own, not a terminal server user's private Windows folder.
std::wstring SystemFacts::WindowsDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  const UINT length = ::GetSystemWindowsDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  return std::wstring(path.data(), length);
}

}  // namespace tarnweld::platform::win
