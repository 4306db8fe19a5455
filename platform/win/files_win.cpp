#include "platform/win/files_win.h"

#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"

#ifndef FILE_ATTRIBUTE_DEVICE
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#endif

namespace tarnweld::platform::win {

std::wstring FullPathName(const std::wstring& path, DWORD* error) {
  std::vector<wchar_t> full(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
      *error = ::GetLastError();
      return {};
    }
    if (length < full.size()) return std::wstring(full.data(), length);
    full.resize(length);
  }
}

FileFound SystemFileSearch::Find(const std::wstring& path) {
  DWORD error = 0;
  // The search reports DOS devices (C:\App\NUL) as archive files; only their
  // full path, \\.\NUL, gives them away.
  const std::wstring full = FullPathName(path, &error);
  if (error != 0) return {FileKind::kMissing, error};
  if (full.compare(0, 4, L"\\\\.\\") == 0) return {FileKind::kDevice, 0};

  WIN32_FIND_DATAW found;
  const HANDLE first = ::FindFirstFileW(path.c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return {FileKind::kMissing, ::GetLastError()};
  const ScopedFindHandle search(first);
  const DWORD attributes = found.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {FileKind::kDirectory, 0};
  if (attributes & FILE_ATTRIBUTE_DEVICE) return {FileKind::kDevice, 0};
  // Read-only and archive files are normal; these are not.
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    return {FileKind::kHiddenOrSystem, 0};
  }
  return {FileKind::kNormalFile, 0};
}

}  // namespace tarnweld::platform::win
