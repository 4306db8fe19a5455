#include <windows.h>
// These must come after windows.h.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win/file_security_win.h"
#include "platform/win/files_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

// Where an entry's SID starts, for the layouts that carry one.
constexpr DWORD kSidAfterMask = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
constexpr DWORD kObjectFlagsSize = sizeof(DWORD);
constexpr DWORD kGuidSize = sizeof(GUID);
constexpr DWORD kCompoundFieldsSize = 2 * sizeof(USHORT);

// An entry's kind, and where its SID starts (0: it carries none we read).
// A callback (conditional) allow entry is counted as a plain one: it can
// only refuse more. Object, callback-object and compound allow entries grant
// by rules this check does not read; entries of types it does not know might.
struct Layout {
  EntryKind kind;
  const wchar_t* type;
  DWORD sid_at;
};

Layout LayoutOf(const ACE_HEADER* header) {
  const auto* bytes = reinterpret_cast<const BYTE*>(header);
  const auto object_sid = [&] {
    DWORD flags = 0;
    CopyMemory(&flags, bytes + kSidAfterMask, sizeof flags);
    DWORD at = kSidAfterMask + kObjectFlagsSize;
    if (flags & ACE_OBJECT_TYPE_PRESENT) at += kGuidSize;
    if (flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) at += kGuidSize;
    return at;
  };
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      return {EntryKind::kAllow, L"", kSidAfterMask};
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
      return {EntryKind::kDeny, L"", 0};
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      return {EntryKind::kAllowUnread, L"compound", kSidAfterMask + kCompoundFieldsSize};
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
      return {EntryKind::kAllowUnread, L"object", object_sid()};
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
      return {EntryKind::kAllowUnread, L"callback-object", object_sid()};
    default:
      break;
  }
  // Audit, alarm, label, resource attribute, scoped policy, trust label and
  // access filter entries grant nothing; those come after the last allow
  // type that exists.
  if (header->AceType <= 0x15) return {EntryKind::kOther, L"", 0};
  return {EntryKind::kAllowUnread, L"of an unknown type", 0};
}

}  // namespace

std::wstring SidText(void* sid) {
  wchar_t* text = nullptr;
  if (!sid || !::IsValidSid(static_cast<PSID>(sid)) ||
      !::ConvertSidToStringSidW(static_cast<PSID>(sid), &text)) {
    return {};
  }
  const ScopedLocal owned(text);
  return text;
}

SecurityRead SecurityOf(void* owner, void* access_list) {
  SecurityRead read;
  read.owner = SidText(owner);
  auto* dacl = static_cast<PACL>(access_list);
  read.has_access_list = dacl != nullptr;
  for (DWORD index = 0; dacl && index < dacl->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(dacl, index, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    const Layout layout = LayoutOf(header);
    AccessEntry entry;
    entry.kind = layout.kind;
    entry.type = layout.type;
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.inherited = (header->AceFlags & INHERITED_ACE) != 0;
    if (layout.kind != EntryKind::kOther && header->AceSize >= kSidAfterMask) {
      entry.mask = static_cast<const ACCESS_ALLOWED_ACE*>(ace)->Mask;
    }
    if (layout.sid_at != 0 && layout.sid_at < header->AceSize) {
      entry.sid = SidText(static_cast<BYTE*>(ace) + layout.sid_at);
    }
    read.entries.push_back(std::move(entry));
  }
  return read;
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
    case DRIVE_NO_ROOT_DIR:
      return DriveKind::kMissing;
    default:
      return DriveKind::kUnknown;
  }
}

SecurityRead SystemFileSecurity::Read(const std::wstring& path) {
  SecurityRead read;
  // The attributes of the last name itself: a link is not followed here.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    read.error = ::GetLastError();
    return read;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Reading its security would open what it points at, which may be a
    // network path.
    read.link = true;
    return read;
  }
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
  const ScopedLocal owned(descriptor);
  return SecurityOf(owner, dacl);
}

}  // namespace tarnweld::platform::win
