#include <windows.h>
// These must come after windows.h.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win/file_security_win.h"
#include "platform/win/files_win.h"

namespace tarnweld::platform::win {
namespace {

// Frees what the security functions allocate for their caller.
class LocalMemory {
 public:
  explicit LocalMemory(void* memory = nullptr) : memory_(memory) {}
  ~LocalMemory() {
    if (memory_) ::LocalFree(memory_);
  }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;

 private:
  void* memory_;
};

// Entries whose mask and SID follow the header as in ACCESS_ALLOWED_ACE.
// A callback (conditional) allow entry is counted as a plain one: it can
// only refuse more.
EntryKind KindOf(BYTE type) {
  switch (type) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      return EntryKind::kAllow;
    case ACCESS_DENIED_ACE_TYPE:
      return EntryKind::kDeny;
    default:
      return EntryKind::kOther;
  }
}

}  // namespace

std::wstring SidText(void* sid) {
  wchar_t* text = nullptr;
  if (!sid || !::ConvertSidToStringSidW(static_cast<PSID>(sid), &text)) return {};
  const LocalMemory owned(text);
  return text;
}

std::wstring SystemFileSecurity::FullPath(const std::wstring& path) {
  DWORD error = 0;
  return FullPathName(path, &error);
}

DriveKind SystemFileSecurity::DriveOf(const std::wstring& root) {
  switch (::GetDriveTypeW(root.c_str())) {
    case DRIVE_FIXED:
      return DriveKind::kFixed;
    case DRIVE_REMOVABLE:
      return DriveKind::kRemovable;
    case DRIVE_REMOTE:
      return DriveKind::kRemote;
    case DRIVE_CDROM:
      return DriveKind::kCdRom;
    case DRIVE_RAMDISK:
      return DriveKind::kRamDisk;
    default:
      return DriveKind::kUnknown;
  }
}

SecurityRead SystemFileSecurity::Read(const std::wstring& path) {
  SecurityRead read;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    read.error = ::GetLastError();
    return read;
  }
  read.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  // Named, not through a handle: the path is read as Windows resolves it,
  // and nothing is opened that could write.
  const DWORD status = ::GetNamedSecurityInfoW(
      path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
      nullptr, &dacl, nullptr, &descriptor);
  if (status != ERROR_SUCCESS) {
    read.error = status;
    return read;
  }
  const LocalMemory owned(descriptor);
  read.owner = SidText(owner);
  read.has_access_list = dacl != nullptr;
  for (DWORD index = 0; dacl && index < dacl->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(dacl, index, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    AccessEntry entry;
    entry.kind = KindOf(header->AceType);
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    if (entry.kind != EntryKind::kOther) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      entry.mask = allowed->Mask;
      entry.sid = SidText(&allowed->SidStart);
    }
    read.entries.push_back(std::move(entry));
  }
  return read;
}

}  // namespace tarnweld::platform::win
