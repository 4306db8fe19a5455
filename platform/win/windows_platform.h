#pragma once

#include "platform/platform.h"

// The real operating system behind the platform interfaces. Only the files
// in this folder include <windows.h>.
namespace tarnweld::platform::win {

// Creates the program's one top-level window, never shown, every message
// but WM_CLOSE left to the default procedure. `load` runs from the window's
// creation, as the form's Load event; if no window can be made it runs anyway.
void RunHiddenForm(const wchar_t* class_name, const wchar_t* caption, void (*load)());

Platform& WindowsPlatform();

}  // namespace tarnweld::platform::win
