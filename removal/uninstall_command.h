#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/shell.h"

namespace tarnweld {

// An uninstall command cut into the Wise uninstaller and what it is given.
struct UninstallCommand {
  std::wstring uninstaller_path;
  std::wstring arguments;
};

// Finds "UNWISE.EXE" in any letter case anywhere in `command` and cuts the
// command one character after the name: a space there is trimmed away, a
// closing quotation mark stays with the path. The arguments are what follows
// the path, trimmed. Nothing when the name does not occur.
std::optional<UninstallCommand> SplitUninstallCommand(std::wstring_view command);

// Whether a path, taken whole, names an existing normal file. A path wrapped
// in quotation marks is searched without them; any other quotation mark, a
// wildcard, or an empty path finds nothing.
bool FileSearchFinds(platform::Shell& shell, std::wstring_view path);

// The program to name explicitly when launching `uninstaller_path`: itself,
// unquoted, when it contains a space or a tab (so that C:\Program.exe can
// never be started in its place); empty otherwise, leaving the command line
// alone to name it, as 16-bit uninstallers on old systems need.
std::wstring ExplicitProgram(std::wstring_view uninstaller_path);

// The command line the uninstaller receives: automatic mode, "/a".
std::wstring AutomaticCommandLine(const UninstallCommand& command);

}  // namespace tarnweld
