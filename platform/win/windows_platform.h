#pragma once

#include "platform/platform.h"

// The real operating system behind the platform interfaces. Only the files
// in this folder include <windows.h>.
namespace tarnweld::platform::win {

// Keeps every system dialog away: critical-error, fault and open-file boxes,
// and remembers the mode the launcher gave, for the uninstaller. (std::terminate
// ends the process quietly from the start; see windows_platform.cpp.)
void StartQuietly();

// The exit code when std::terminate ends the program; each program's entry
// defines it.
extern const unsigned kExitCodeOnTerminate;

// Creates the program's one top-level window, never shown, every message
// but WM_CLOSE left to the default procedure. `load` runs from the window's
// creation, as the form's Load event; if no window can be made it runs anyway.
void RunHiddenForm(const wchar_t* class_name, const wchar_t* caption, void (*load)());

Platform& WindowsPlatform();

}  // namespace tarnweld::platform::win
