#pragma once

#include "platform/platform.h"

namespace tarnweld {

// The whole removal: reads the entry name from the command line, finds the
// entry's Wise uninstaller, launches it in automatic mode when it and its
// log exist, waits for it, and ends the process on every path. Reports
// nothing and lets nothing escape.
void RunRemoval(platform::Platform& platform);

// Keeps the program alive while any unwise.exe runs, at most ten minutes,
// servicing the hidden form's messages between polls. Never touches the
// uninstaller itself.
void WaitForUninstaller(platform::Platform& platform);

}  // namespace tarnweld
