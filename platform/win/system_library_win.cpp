#include "platform/win/system_library_win.h"

#include <string>
#include <vector>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace tarnweld::platform::win {

void SearchDllsInTheSystemFolderOnly() {
  // Both looked up, not imported: SetDllDirectoryW needs XP SP1, and
  // SetDefaultDllDirectories exists only where updated.
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (const auto set_directory = ProcedureOf<BOOL(WINAPI*)(LPCWSTR)>(kernel, "SetDllDirectoryW")) {
    set_directory(L"");
  }
  if (const auto set_defaults =
          ProcedureOf<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories")) {
    set_defaults(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

HMODULE SystemLibrary(const wchar_t* name, DWORD* error) {
  std::vector<wchar_t> folder(MAX_PATH);
  const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length == 0 || length >= folder.size()) {
    *error = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
    return nullptr;
  }
  const std::wstring path = std::wstring(folder.data(), length) + L"\\" + name;
  const HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  *error = module ? 0 : ::GetLastError();
  return module;
}

}  // namespace tarnweld::platform::win
