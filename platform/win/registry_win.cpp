#include <windows.h>

#include "platform/win/registry_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

class RegKey final : public RegistryKey {
 public:
  explicit RegKey(HKEY key) : key_(key) {}

  long QueryValue(const std::wstring& name, std::uint32_t* type, unsigned char* data,
                  std::uint32_t* size) override {
    DWORD value_type = *type;
    DWORD value_size = *size;
    const LONG status =
        ::RegQueryValueExW(key_.Get(), name.c_str(), nullptr, &value_type, data, &value_size);
    *type = value_type;
    *size = value_size;
    return status;
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

long SystemRegistry::OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                                         std::unique_ptr<RegistryKey>* key) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                      KEY_READ | RegistryViewFlag(view), &opened);
  if (status == ERROR_SUCCESS) {
    ScopedRegKey owner(opened);  // closes the key should the allocation fail
    *key = std::make_unique<RegKey>(owner.Get());
    owner.Release();
  }
  return status;
}

}  // namespace tarnweld::platform::win
