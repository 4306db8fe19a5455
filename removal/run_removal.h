#pragma once

#include "platform/platform.h"

namespace tarnweld {

// The whole removal: reads the entry name from the command line, finds the
// entry's Wise uninstaller, launches it in automatic mode when it and its
// log exist, waits for it, and ends the process on every path. Reports
// nothing and lets nothing escape.
void RunRemoval(platform::Platform& platform);

}  // namespace tarnweld
