#include "platform/win/registry_win.h"

#include <windows.h>
// aclapi.h must come after windows.h.
#include <aclapi.h>

#include "core/registry_text.h"
#include "platform/win/file_security_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

class RegKey final : public RegistryKey {
 public:
  explicit RegKey(HKEY key) : key_(key) {}

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
    SecurityRead read = SecurityOf(owner, dacl);
    ::LocalFree(descriptor);
    return read;
  }

 private:
  ScopedRegKey key_;
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

long Open(HKEY root, const std::wstring& path, REGSAM access, RegistryView view,
          std::unique_ptr<RegistryKey>* key) {
  HKEY opened = nullptr;
  const LONG status =
      ::RegOpenKeyExW(root, path.c_str(), 0, access | RegistryViewFlag(view), &opened);
  if (status == ERROR_SUCCESS) {
    ScopedRegKey owner(opened);  // closes the key should the allocation fail
    *key = std::make_unique<RegKey>(owner.Get());
    owner.Release();
  }
  return status;
}

}  // namespace

long SystemRegistry::OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                                         std::unique_ptr<RegistryKey>* key) {
  return Open(HKEY_LOCAL_MACHINE, path, KEY_READ, view, key);
}

// Its security only: the right to read it is all that is asked for.
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
  return Open(handle, path, READ_CONTROL, view, key);
}

}  // namespace tarnweld::platform::win
