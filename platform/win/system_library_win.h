#pragma once

#include <windows.h>

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

}  // namespace tarnweld::platform::win
