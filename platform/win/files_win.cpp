#include <windows.h>

#include <vector>

#include "platform/win/scoped_handle.h"
#include "platform/win/system_calls.h"

#ifndef FILE_ATTRIBUTE_DEVICE
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#endif

namespace tarnweld::platform::win {
namespace {

// The search reports DOS devices (C:\App\NUL) as archive files; only their
// full path, \\.\NUL, gives them away.
bool ResolvesToDevice(const std::wstring& path, DWORD* error) {
  std::vector<wchar_t> full(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
      *error = ::GetLastError();
      return false;
    }
    if (length < full.size())
      return std::wstring_view(full.data(), length).substr(0, 4) == L"\\\\.\\";
    full.resize(length);
  }
}

}  // namespace

FileFound SystemFileSearch::Find(const std::wstring& path) {
  DWORD error = 0;
  if (ResolvesToDevice(path, &error)) return {FileKind::kDevice, 0};
  if (error != 0) return {FileKind::kMissing, error};

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
