#pragma once

#include <windows.h>

#include <initializer_list>

namespace tarnweld::platform::win {

// First thing in each program, before any window or other DLL: the current
// folder leaves the DLL search path, and where the system allows it
// (Windows 8, and 7 with KB2533623) what Windows' own DLLs load later by
// bare name comes from the system folder too. Elsewhere those loads still
// look beside the program first.
void SearchDllsInTheSystemFolderOnly();

// A DLL that is not imported: loaded by its full path in the system folder,
// so that its own dependencies are looked for there too. Null on failure,
// with the error in `*error`.
HMODULE SystemLibrary(const wchar_t* name, DWORD* error);

// A function of `module` as the type it has.
template <typename Function>
Function ProcedureOf(HMODULE module, const char* name) {
  // Through a function pointer type of no arguments, which every function
  // pointer converts to without a warning.
  return module ? reinterpret_cast<Function>(
                      reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                : nullptr;
}

// A function of `home`, a DLL in the system folder, that Windows 7 and
// later moved elsewhere and forward there by name (advapi32.dll's
// SystemFunction036 to cryptbase.dll, its Crypt* functions to cryptsp.dll,
// netapi32.dll's to samcli.dll and netutils.dll). Resolving a forwarder
// loads its target by name, beside the program first where the system
// allows; so each of `moved_to` is loaded first by its full path in the
// system folder, where it exists (XP has none of them), and the forwarder
// then finds it loaded. Null when `home` lacks the function.
template <typename Function>
Function SystemProcedure(const wchar_t* home, std::initializer_list<const wchar_t*> moved_to,
                         const char* name) {
  DWORD error = 0;
  for (const wchar_t* target : moved_to) SystemLibrary(target, &error);
  return ProcedureOf<Function>(SystemLibrary(home, &error), name);
}

}  // namespace tarnweld::platform::win
