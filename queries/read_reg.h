#pragma once

#include <string>

#include "platform/platform.h"

// The two questions the removal asks the system. Neither keeps anything
// between calls; each opens and closes its own key or snapshot.
namespace tarnweld::ReadReg {

// The "UninstallString" value of the uninstall entry `entry_name` (a subkey
// of HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall), as text. Empty when the key cannot
// be opened or the value cannot be read. Read only, whatever the value's
// type, and never expanded.
std::wstring GetUninstallString(platform::Platform& platform, const std::wstring& entry_name);

// True when any process's image name is "unwise.exe" in any letter case;
// false when none is, or when the process list cannot be taken.
bool IsUninstallerRunning(platform::Platform& platform);

}  // namespace tarnweld::ReadReg
