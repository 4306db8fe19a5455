#include "decide/uninstall_command.h"

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
  ParsedPath parsed = WinPath::Parse(check.searched, names);
  check.status = parsed.status;
  if (parsed.path && !code_page.RoundTrips(check.searched))
    check.status = FileStatus::kNotInCodePage;
  if (check.status == FileStatus::kNotSearched) check.path = std::move(parsed.path);
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

std::wstring FileText(const FileCheck& check) {
  switch (check.status) {
    case FileStatus::kFound:
      return L"a normal file";
    case FileStatus::kEmpty:
      return L"an empty path";
    case FileStatus::kNotFullyQualified:
      return L"not a fully qualified path (X:\\... or \\\\server\\share\\...)";
    case FileStatus::kForbiddenCharacter:
      return L"a path with a wildcard, a stray quotation mark or a character no file name has";
    case FileStatus::kDevice:
      return L"a device, not a file";
    case FileStatus::kNameEndsInDotOrSpace:
      return L"a path with a name that ends in a space or a dot, which Windows reads as another "
             L"path";
    case FileStatus::kNotInCodePage:
      return L"a path the system's ANSI code page cannot carry: an ANSI program such as "
             L"UNWISE.EXE would read another path";
    case FileStatus::kNotSearched:
      return L"not looked for: something on the way to it is not trusted";
    case FileStatus::kMissing:
      return L"not found (" + text::ErrorText(check.error) + L")";
    case FileStatus::kDirectory:
      return L"a folder, not a file";
    case FileStatus::kHiddenOrSystem:
      return L"a hidden or system file";
  }
  return L"unknown";
}

}  // namespace tarnweld
