#include "platform/win/files_win.h"

#include <windows.h>

#include <vector>

#include "core/sized_text.h"
#include "platform/win/read_only_file_win.h"
#include "platform/win/scoped_handle.h"

#ifndef FILE_ATTRIBUTE_DEVICE
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#endif

namespace tarnweld::platform::win {

std::wstring FullPathName(const std::wstring& path, DWORD* error) {
  const auto full = sized_text::Read([&](wchar_t* buffer, std::size_t size) {
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(size), buffer, nullptr);
    if (length == 0) *error = ::GetLastError();
    return length;
  });
  return full.value_or(L"");
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
  const ScopedFind search(first);
  const DWORD attributes = found.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {FileKind::kDirectory, 0};
  if (attributes & FILE_ATTRIBUTE_DEVICE) return {FileKind::kDevice, 0};
  // Read-only and archive files are normal; these are not.
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    return {FileKind::kHiddenOrSystem, 0};
  }
  return {FileKind::kNormalFile, 0};
}

Subfolders SystemFileSearch::FoldersIn(const std::wstring& folder) {
  Subfolders listed;
  WIN32_FIND_DATAW found;
  const HANDLE first = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) {
    listed.error = ::GetLastError();
    if (listed.error == ERROR_FILE_NOT_FOUND) listed.error = 0;  // nothing inside
    return listed;
  }
  const ScopedFind search(first);
  do {
    const std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") {
      continue;
    }
    listed.folders.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (::FindNextFileW(search.Get(), &found));
  const DWORD error = ::GetLastError();
  if (error != ERROR_NO_MORE_FILES) listed.error = error;
  return listed;
}

FileRead SystemFileSearch::ReadWhole(const std::wstring& path, std::size_t most_bytes) {
  FileRead read;
  ReadOnlyFile file(path);
  if (!file.IsOpen()) {
    read.error = file.error();
    return read;
  }
  constexpr DWORD kChunk = 64 * 1024;
  std::vector<char> chunk(kChunk);
  for (DWORD got = 0;;) {
    if (!file.Read(chunk.data(), kChunk, &got)) {
      read.error = file.error();
      read.bytes.clear();
      return read;
    }
    if (got == 0) return read;
    if (read.bytes.size() + got > most_bytes) {
      read.too_large = true;
      read.bytes.clear();
      return read;
    }
    read.bytes.append(chunk.data(), got);
  }
}

}  // namespace tarnweld::platform::win
