#include "removal/uninstall_command.h"

#include "platform/text.h"

namespace tarnweld {
namespace {

constexpr std::wstring_view kUninstallerName = L"UNWISE.EXE";
constexpr std::wstring_view kAutomaticSwitch = L" /a ";

std::wstring_view Unquoted(std::wstring_view path) {
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
    return path.substr(1, path.size() - 2);
  }
  return path;
}

}  // namespace

std::optional<UninstallCommand> SplitUninstallCommand(std::wstring_view command) {
  const std::size_t name_at = text::FindIgnoringAsciiCase(command, kUninstallerName);
  if (name_at == std::wstring_view::npos) return std::nullopt;
  const std::wstring_view head = command.substr(0, name_at + kUninstallerName.size() + 1);
  const std::wstring_view path = text::TrimSpaces(head);
  // Count from where the path really starts, so leading spaces in the
  // command do not shift the arguments into the uninstaller's name.
  const std::size_t path_end = head.find_first_not_of(L' ') + path.size();
  return UninstallCommand{std::wstring(path),
                          std::wstring(text::TrimSpaces(command.substr(path_end)))};
}

bool FileSearchFinds(platform::Shell& shell, std::wstring_view path) {
  const std::wstring_view searched = Unquoted(path);
  if (searched.empty() || searched.find_first_of(L"\"*?") != std::wstring_view::npos) {
    return false;
  }
  return shell.IsNormalFile(std::wstring(searched));
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
