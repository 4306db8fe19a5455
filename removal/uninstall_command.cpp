#include "removal/uninstall_command.h"

#include "core/text.h"
#include "core/wise.h"

namespace tarnweld {
namespace {

constexpr std::wstring_view kAutomaticSwitch = L" /a ";

std::wstring_view Unquoted(std::wstring_view path) {
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
    return path.substr(1, path.size() - 2);
  }
  return path;
}

// X:\... or \\server\share\..., where the server is no "." or "?" (the
// device and literal namespaces).
bool IsFullyQualified(std::wstring_view path) {
  if (path.size() > 3 && text::IsAsciiLetter(path[0]) && path.substr(1, 2) == L":\\") return true;
  if (path.substr(0, 2) != L"\\\\") return false;
  const std::size_t server_end = path.find(L'\\', 2);
  if (server_end == std::wstring_view::npos || server_end == 2) return false;
  const std::wstring_view server = path.substr(2, server_end - 2);
  if (server == L"." || server == L"?") return false;
  const std::size_t share_end = path.find(L'\\', server_end + 1);
  return share_end != std::wstring_view::npos && share_end > server_end + 1 &&
         share_end + 1 < path.size();
}

// Wildcards to the file search (< and > too), a stray quotation mark, a
// pipe, and a colon past the drive's (an alternate data stream).
bool HasForbiddenCharacter(std::wstring_view path) {
  if (path.find_first_of(L"\"*?<>|") != std::wstring_view::npos) return true;
  return path.find(L':', 2) != std::wstring_view::npos;
}

// CON, NUL, COM1, LPT1 and the rest name devices in every folder, whatever
// extension follows (C:\App\con.log is the console on most Windows versions).
bool IsDeviceName(std::wstring_view path) {
  std::wstring_view name = path.substr(path.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.find(L'.'));
  name = name.substr(0, name.find_last_not_of(L' ') + 1);
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (text::EqualsIgnoringAsciiCase(name, device)) return true;
  }
  if (name.size() != 4) return false;
  const bool port = text::EqualsIgnoringAsciiCase(name.substr(0, 3), std::wstring_view(L"COM")) ||
                    text::EqualsIgnoringAsciiCase(name.substr(0, 3), std::wstring_view(L"LPT"));
  const wchar_t digit = name[3];
  return port && ((digit >= L'0' && digit <= L'9') || digit == L'\x00B9' || digit == L'\x00B2' ||
                  digit == L'\x00B3');
}

// A name ending in a space or a dot; "." and ".." are read alike
// wherever they stand.
bool HasNameEndingInDotOrSpace(std::wstring_view path) {
  for (std::size_t at = 0; at < path.size();) {
    std::size_t end = path.find_first_of(L"\\/", at);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view name = path.substr(at, end - at);
    if (!name.empty() && name != L"." && name != L".." &&
        (name.back() == L' ' || name.back() == L'.')) {
      return true;
    }
    at = end + 1;
  }
  return false;
}

}  // namespace

std::wstring WithoutTrailingDotsAndSpaces(std::wstring_view path) {
  const std::size_t last = path.find_last_not_of(L" .");
  return std::wstring(path.substr(0, last == std::wstring_view::npos ? 0 : last + 1));
}

FileStatus StatusOf(platform::FileKind kind) {
  switch (kind) {
    case platform::FileKind::kNormalFile:
      return FileStatus::kFound;
    case platform::FileKind::kDirectory:
      return FileStatus::kDirectory;
    case platform::FileKind::kHiddenOrSystem:
      return FileStatus::kHiddenOrSystem;
    case platform::FileKind::kDevice:
      return FileStatus::kDevice;
    case platform::FileKind::kMissing:
      break;
  }
  return FileStatus::kMissing;
}

std::optional<UninstallCommand> SplitUninstallCommand(std::wstring_view command) {
  std::wstring_view name = wise::kUninstaller;
  std::size_t name_at = text::FindIgnoringAsciiCase(command, name);
  if (name_at == std::wstring_view::npos) {
    name = wise::kUninstaller32;
    name_at = text::FindIgnoringAsciiCase(command, name);
  }
  if (name_at == std::wstring_view::npos) return std::nullopt;
  const std::wstring_view head = command.substr(0, name_at + name.size() + 1);
  const std::wstring_view path = text::TrimSpaces(head);
  // Count from where the path really starts, so leading spaces in the
  // command do not shift the arguments into the uninstaller's name.
  const std::size_t path_end = head.find_first_not_of(L' ') + path.size();
  return UninstallCommand{std::wstring(path),
                          std::wstring(text::TrimSpaces(command.substr(path_end))),
                          std::wstring(name)};
}

FileCheck CheckPath(platform::AnsiCodePage& code_page, std::wstring_view path,
                    DotsAndSpaces names) {
  FileCheck check;
  check.searched = std::wstring(Unquoted(path));
  if (check.searched.empty()) {
    check.status = FileStatus::kEmpty;
  } else if (HasForbiddenCharacter(check.searched)) {
    check.status = FileStatus::kForbiddenCharacter;
  } else if (!IsFullyQualified(check.searched)) {
    check.status = FileStatus::kNotFullyQualified;
  } else if (IsDeviceName(check.searched)) {
    check.status = FileStatus::kDevice;
  } else if (names == DotsAndSpaces::kRefused && HasNameEndingInDotOrSpace(check.searched)) {
    check.status = FileStatus::kNameEndsInDotOrSpace;
  } else if (!code_page.RoundTrips(check.searched)) {
    check.status = FileStatus::kNotInCodePage;
  } else {
    check.status = FileStatus::kNotSearched;
  }
  return check;
}

bool IsLongEnoughEntryName(std::wstring_view name) {
  return text::TrimSpaces(name).size() >= kShortestEntryName;
}

std::optional<std::wstring> SecondEntryName(const std::wstring& typed) {
  const std::wstring second(Unquoted(text::TrimSpaces(typed)));
  if (second == typed || !IsLongEnoughEntryName(second)) return std::nullopt;
  return second;
}

std::wstring ExplicitProgram(std::wstring_view uninstaller_path) {
  const std::wstring_view program = Unquoted(uninstaller_path);
  // CreateProcess splits an unnamed program at any white space, tabs too.
  if (program.find_first_of(L" \t") == std::wstring_view::npos) return {};
  return std::wstring(program);
}

std::wstring AutomaticCommandLine(const UninstallCommand& command) {
  std::wstring line = command.uninstaller_path;
  line += kAutomaticSwitch;
  line += command.arguments;
  return line;
}

}  // namespace tarnweld
