#include "platform/win/read_only_file_win.h"

#include "platform/win/system_library_win.h"

namespace tarnweld::platform::win {
namespace {

// FILE_ATTRIBUTE_TAG_INFO, class FileAttributeTagInfo: Vista on.
struct AttributeTag {
  DWORD attributes;
  DWORD reparse_tag;
};
constexpr int kFileAttributeTagInfo = 9;

// The attributes of what the handle opened, itself; false when unknown.
bool AttributesOf(HANDLE file, DWORD* attributes) {
  // Asks for the attributes alone where the system can; the older call also
  // asks for the volume, which costs far more under some systems.
  using ByHandleEx = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
  static const auto by_handle_ex =
      ProcedureOf<ByHandleEx>(::GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx");
  AttributeTag tag{};
  if (by_handle_ex && by_handle_ex(file, kFileAttributeTagInfo, &tag, sizeof tag)) {
    *attributes = tag.attributes;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(file, &information)) return false;
  *attributes = information.dwFileAttributes;
  return true;
}

}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::wstring& path) {
  // The link itself, were it one, not what it points at: that may be a
  // network path. Should the name reach a pipe after all, its server may
  // only identify the caller, never act as it.
  file_.Reset(::CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
  if (!file_.IsValid()) {
    error_ = ::GetLastError();
    return;
  }
  DWORD attributes = 0;
  if (!AttributesOf(file_.Get(), &attributes)) {
    error_ = ::GetLastError();
    file_.Reset();
    return;
  }
  if (::GetFileType(file_.Get()) != FILE_TYPE_DISK ||
      (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
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
