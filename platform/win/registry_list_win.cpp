#include "platform/win/registry_list_win.h"

#include <windows.h>

#include "platform/win/registry_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

long SystemRegistryListing::SubkeyNames(const std::wstring& path, RegistryView view,
                                        std::vector<std::wstring>* names) {
  names->clear();
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                      KEY_READ | RegistryViewFlag(view), &opened);
  if (status != ERROR_SUCCESS) return status;
  const ScopedRegKey key(opened);
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // the longest key name is 255 characters
    DWORD length = 256;
    const LONG enumerated =
        ::RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (enumerated == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (enumerated != ERROR_SUCCESS) return enumerated;
    names->emplace_back(name, length);
  }
}

std::vector<RegistryView> SystemRegistryListing::Views() {
#ifdef _WIN64
  return {RegistryView::k64Bit, RegistryView::k32Bit};
#else
  BOOL wow64 = FALSE;
  if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
    return {RegistryView::k32Bit, RegistryView::k64Bit};
  }
  return {RegistryView::k32Bit};
#endif
}

}  // namespace tarnweld::platform::win
