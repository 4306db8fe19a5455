#include "platform/win/process_win.h"

#include <windows.h>

#include <vector>

#include "core/command_line.h"
#include "core/sized_text.h"

namespace tarnweld::platform::win {
namespace {

// Set once, before anything else runs; read when the uninstaller starts.
UINT launcher_error_mode = 0;

// A path too long for the buffer comes back cut short, its length the
// buffer's: the loop then doubles it.
std::wstring ModuleFileName() {
  return sized_text::Read([](wchar_t* buffer, std::size_t size) {
           return ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(size));
         })
      .value_or(L"");
}

std::wstring ShortPathName(const std::wstring& path) {
  const DWORD needed = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::vector<wchar_t> short_path(needed);
  const DWORD length = ::GetShortPathNameW(path.c_str(), short_path.data(), needed);
  if (length == 0 || length >= needed) return {};
  return std::wstring(short_path.data(), length);
}

// The forms in which a launcher may write this program's path unquoted.
std::vector<std::wstring> OwnPaths() {
  const std::wstring path = ModuleFileName();
  if (path.empty()) return {};
  std::vector<std::wstring> paths{path};
  const std::wstring short_path = ShortPathName(path);
  if (!short_path.empty() && short_path != path) paths.push_back(short_path);
  return paths;
}

}  // namespace

void StartQuietly() {
  launcher_error_mode =
      ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

std::wstring SystemProcess::CommandTail() {
  // The wide command line: the ANSI one has already been best-fit converted.
  const wchar_t* line = ::GetCommandLineW();
  return CommandLineTail(line ? line : L"", OwnPaths());
}

std::uint32_t SystemProcess::LauncherErrorMode() { return launcher_error_mode; }

std::uint32_t SystemProcess::SetErrorMode(std::uint32_t mode) { return ::SetErrorMode(mode); }

std::wstring SystemProcess::SystemDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  return std::wstring(path.data(), length);
}

bool SystemProcess::ChangeDirectory(const std::wstring& path) {
  return ::SetCurrentDirectoryW(path.c_str()) != FALSE;
}

void SystemProcess::End() { ::ExitProcess(0); }

}  // namespace tarnweld::platform::win
