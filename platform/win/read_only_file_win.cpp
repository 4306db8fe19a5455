#include "platform/win/read_only_file_win.h"

namespace tarnweld::platform::win {

ReadOnlyFile::ReadOnlyFile(const std::wstring& path) {
  // The link itself, were it one, not what it points at: that may be a
  // network path.
  file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file_.IsValid()) {
    error_ = ::GetLastError();
    return;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(file_.Get(), &information)) {
    error_ = ::GetLastError();
    file_.Reset();
    return;
  }
  if (::GetFileType(file_.Get()) != FILE_TYPE_DISK ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    error_ = ERROR_INVALID_NAME;
    file_.Reset();
  }
}

bool ReadOnlyFile::Read(void* buffer, DWORD size, DWORD* read) {
  *read = 0;
  if (!file_.IsValid()) return false;
  if (!::ReadFile(file_.Get(), buffer, size, read, nullptr)) {
    error_ = ::GetLastError();
    return false;
  }
  return true;
}

}  // namespace tarnweld::platform::win
