#pragma once

#include "platform/platform.h"

namespace tarnweld {

// The whole removal: reads the entry name from the command line, finds the
// entry's Wise uninstaller, launches it in automatic mode when it and its
// log exist, waits for it, and ends the process on every path. Reports
// nothing and lets nothing escape.
void RunRemoval(platform::Platform& platform);

enum class WaitEnd { kUninstallerGone, kTimeLimit };

// Keeps the program alive while any unwise.exe or unwise32.exe runs, or any
// process of `uninstaller_group` (when there is one: what the launched
// uninstaller started, directly or not), at most ten minutes, servicing the
// hidden form's messages between polls. Never touches those processes.
WaitEnd WaitForUninstaller(platform::Platform& platform, platform::ProcessGroup* uninstaller_group);

}  // namespace tarnweld
