#include "platform/win/registry_win.h"

#include <windows.h>

#include "core/registry_text.h"
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
