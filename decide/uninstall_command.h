#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/win_path.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace tarnweld {

// An uninstall command cut into the Wise uninstaller and what it is given.
struct UninstallCommand {
  std::wstring uninstaller_path;
  std::wstring arguments;
  std::wstring recognized_name;  // "UNWISE.EXE" or "UNWISE32.EXE"
};

// Finds "UNWISE.EXE" in any letter case anywhere in `command`, or, only when
// it does not occur, "UNWISE32.EXE", and cuts the command one character after
// the name: a space there is trimmed away, a closing quotation mark stays
// with the path. The arguments are what follows the path, trimmed. Nothing
// when neither name occurs.
std::optional<UninstallCommand> SplitUninstallCommand(std::wstring_view command);

struct FileCheck {
  std::wstring searched;  // the path without its enclosing quotation marks
  FileStatus status = FileStatus::kEmpty;
  std::uint32_t error = 0;                     // the system's error, where a search failed
  std::optional<WinPath> path = std::nullopt;  // when the text passed every rule
  bool found() const { return status == FileStatus::kFound; }
};

// The rules on a path's text alone, before anything is asked of a file
// system. A path wrapped in quotation marks is taken without them. Only
// fully qualified paths (X:\... or \\server\share\...) pass: a relative one
// would be checked in one folder and run from another. No name in it may end
// in a space or a dot: Windows drops them from a path's last name, not from
// a folder's on the way, so what is judged and what is used would differ.
// The path must also reach an ANSI program unchanged through the system's
// code page. kNotSearched, and the path, when every rule passed.
FileCheck CheckPath(platform::AnsiCodePage& code_page, std::wstring_view path,
                    DotsAndSpaces names = DotsAndSpaces::kRefused);

// `path` as Windows reads it when it is the last name that ends in spaces
// or dots: without them.
std::wstring WithoutTrailingDotsAndSpaces(std::wstring_view path);

// What the rules on a path, and the search, found: "a normal file", "not a
// fully qualified path (...)".
std::wstring FileText(const FileCheck& check);

// The status a file search's answer gives a path that passed CheckPath.
FileStatus StatusOf(platform::FileKind kind);

// The name to look the entry up by when no entry has exactly the name that
// was typed: without surrounding spaces, then without one pair of enclosing
// quotation marks. Nothing when that is the same name or too short.
std::optional<std::wstring> SecondEntryName(const std::wstring& typed);

// Names shorter than this, once spaces are trimmed, are not looked up.
constexpr std::size_t kShortestEntryName = 2;
bool IsLongEnoughEntryName(std::wstring_view name);

// The program to name explicitly when launching `uninstaller_path`: itself,
// unquoted, when it contains a space or a tab (so that C:\Program.exe can
// never be started in its place); empty otherwise, leaving the command line
// alone to name it, as 16-bit uninstallers on old systems need.
std::wstring ExplicitProgram(std::wstring_view uninstaller_path);

// The command line the uninstaller receives: automatic mode, "/a".
std::wstring AutomaticCommandLine(const UninstallCommand& command);

}  // namespace tarnweld
