#include "platform/win/registry_win.h"

#include <windows.h>
// aclapi.h must come after windows.h.
#include <aclapi.h>

#include "core/registry_text.h"
#include "platform/win/file_security_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

// A symbolic link key holds the name of its target in this value, of type
// REG_LINK. (No other key is given one.)
constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";

class RegKey final : public RegistryKey {
 public:
  // `as_itself`: opened with REG_OPTION_OPEN_LINK, so that a link is the key
  // read, and its Security() says whether it is one.
  RegKey(HKEY key, bool as_itself) : key_(key), as_itself_(as_itself) {}

  RegistryText ReadText(const std::wstring& name) override {
    return registry_text::Read([&](unsigned char* data, std::uint32_t* size) {
      DWORD value_size = *size;
      const LONG status =
          ::RegQueryValueExW(key_.Get(), name.c_str(), nullptr, nullptr, data, &value_size);
      *size = value_size;
      return status;
    });
  }

  SecurityRead Security() override {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetSecurityInfo(key_.Get(), SE_REGISTRY_KEY,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                           &owner, nullptr, &dacl, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
      SecurityRead unread;
      unread.error = status;
      return unread;
    }
    const ScopedLocal owned(descriptor);
    SecurityRead read = SecurityOf(owner, dacl);
    if (as_itself_) {
      DWORD type = REG_NONE;
      const LONG found =
          ::RegQueryValueExW(key_.Get(), kLinkValue, nullptr, &type, nullptr, nullptr);
      read.link = (found == ERROR_SUCCESS || found == ERROR_MORE_DATA) && type == REG_LINK;
    }
    return read;
  }

 private:
  ScopedRegKey key_;
  bool as_itself_;
};

}  // namespace

unsigned long RegistryViewFlag(RegistryView view) {
  switch (view) {
    case RegistryView::k32Bit:
      return KEY_WOW64_32KEY;
    case RegistryView::k64Bit:
      return KEY_WOW64_64KEY;
    case RegistryView::kProgram:
      break;
  }
  return 0;
}

namespace {

long Open(HKEY root, const std::wstring& path, DWORD options, REGSAM access, RegistryView view,
          std::unique_ptr<RegistryKey>* key) {
  HKEY opened = nullptr;
  const LONG status =
      ::RegOpenKeyExW(root, path.c_str(), options, access | RegistryViewFlag(view), &opened);
  if (status == ERROR_SUCCESS) {
    ScopedRegKey owner(opened);  // closes the key should the allocation fail
    *key = std::make_unique<RegKey>(owner.Get(), options == REG_OPTION_OPEN_LINK);
    owner.Take();
  }
  return status;
}

}  // namespace

long SystemRegistry::OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                                         std::unique_ptr<RegistryKey>* key) {
  return Open(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, view, key);
}

// Its security, and whether it is a link, only: the rights to read those
// are all that is asked for, and a link is opened as itself, never followed.
long SystemRegistry::OpenKey(RegistryRoot root, const std::wstring& path, RegistryView view,
                             std::unique_ptr<RegistryKey>* key) {
  HKEY handle = HKEY_LOCAL_MACHINE;
  switch (root) {
    case RegistryRoot::kClassesRoot:
      handle = HKEY_CLASSES_ROOT;
      break;
    case RegistryRoot::kCurrentUser:
      handle = HKEY_CURRENT_USER;
      break;
    case RegistryRoot::kLocalMachine:
      break;
    case RegistryRoot::kUsers:
      handle = HKEY_USERS;
      break;
  }
  return Open(handle, path, REG_OPTION_OPEN_LINK, READ_CONTROL | KEY_QUERY_VALUE, view, key);
}

}  // namespace tarnweld::platform::win
