#include <windows.h>
// aclapi.h must come after windows.h.
#include <aclapi.h>

#include <array>

#include "platform/win/system_calls.h"

namespace tarnweld::platform::win {
namespace {

struct LocalMemory {
  explicit LocalMemory(void* memory) : memory_(memory) {}
  ~LocalMemory() { ::LocalFree(memory_); }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  void* memory_;
};

// Users, Authenticated Users, Everyone and Interactive: anyone who logs on.
bool IsNonAdministratorGroup(PSID sid) {
  static const WELL_KNOWN_SID_TYPE kGroups[] = {WinBuiltinUsersSid, WinAuthenticatedUserSid,
                                                WinWorldSid, WinInteractiveSid};
  for (const WELL_KNOWN_SID_TYPE group : kGroups) {
    std::array<BYTE, SECURITY_MAX_SID_SIZE> known{};
    DWORD size = static_cast<DWORD>(known.size());
    if (::CreateWellKnownSid(group, nullptr, known.data(), &size) &&
        ::EqualSid(sid, known.data())) {
      return true;
    }
  }
  return false;
}

// Rights that let someone replace what runs: write the file or its access
// list, or add or delete files in the folder.
ACCESS_MASK ReplacingRights(bool folder) {
  const ACCESS_MASK common = WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  return folder ? common | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD
                : common | FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE;
}

}  // namespace

std::optional<bool> SystemFileSecurity::WritableByNonAdministrators(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const LocalMemory owner(descriptor);
  if (!dacl) return true;  // no access list: everyone may do everything
  const ACCESS_MASK rights = ReplacingRights((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  // Deny entries are not weighed: this is a hint to look closer, not a verdict.
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(dacl, index, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & rights) && IsNonAdministratorGroup(&allowed->SidStart)) return true;
  }
  return false;
}

}  // namespace tarnweld::platform::win
