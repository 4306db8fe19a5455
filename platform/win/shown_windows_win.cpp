#include "platform/win/shown_windows_win.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win/system_library_win.h"

namespace tarnweld::platform::win {
namespace {

constexpr std::size_t kMostWindows = 32;   // of the processes asked about
constexpr std::size_t kMostControls = 32;  // in each; more, and it is no message box
constexpr UINT kTextTimeoutMs = 100;       // for each control to answer
constexpr DWORD kLookBudgetMs = 1'000;     // for one look, whatever the windows do
constexpr int kMostText = 1'024;           // characters of one text

struct User32 {
  decltype(&::EnumWindows) enum_windows = nullptr;
  decltype(&::EnumChildWindows) enum_children = nullptr;
  decltype(&::GetWindowThreadProcessId) process_of = nullptr;
  decltype(&::IsWindowVisible) visible = nullptr;
  decltype(&::GetClassNameW) class_name = nullptr;
  decltype(&::GetWindowTextW) title = nullptr;
  decltype(&::SendMessageTimeoutW) ask = nullptr;
  DWORD error = 0;

  static const User32& Loaded() {
    static const User32 user32 = [] {
      User32 loaded;
      const HMODULE module = SystemLibrary(L"user32.dll", &loaded.error);
      loaded.enum_windows = ProcedureOf<decltype(&::EnumWindows)>(module, "EnumWindows");
      loaded.enum_children = ProcedureOf<decltype(&::EnumChildWindows)>(module, "EnumChildWindows");
      loaded.process_of =
          ProcedureOf<decltype(&::GetWindowThreadProcessId)>(module, "GetWindowThreadProcessId");
      loaded.visible = ProcedureOf<decltype(&::IsWindowVisible)>(module, "IsWindowVisible");
      loaded.class_name = ProcedureOf<decltype(&::GetClassNameW)>(module, "GetClassNameW");
      loaded.title = ProcedureOf<decltype(&::GetWindowTextW)>(module, "GetWindowTextW");
      loaded.ask = ProcedureOf<decltype(&::SendMessageTimeoutW)>(module, "SendMessageTimeoutW");
      if (loaded.error == 0 && !loaded.complete()) loaded.error = ERROR_PROC_NOT_FOUND;
      return loaded;
    }();
    return user32;
  }
  bool complete() const {
    return enum_windows && enum_children && process_of && visible && class_name && title && ask;
  }
};

std::wstring ClassOf(const User32& user32, HWND window) {
  wchar_t name[64] = L"";
  const int length = user32.class_name(window, name, 64);
  return std::wstring(name, length > 0 ? length : 0);
}

// A control's text, by the one message that crosses processes, bounded.
std::wstring TextOf(const User32& user32, HWND control) {
  std::wstring text(kMostText, L'\0');
  DWORD_PTR copied = 0;
  if (!user32.ask(control, WM_GETTEXT, kMostText, reinterpret_cast<LPARAM>(&text[0]),
                  SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, kMostText - 1));
  return text;
}

struct Looking {
  const User32& user32;
  const std::vector<std::uint32_t>& ids;
  std::vector<std::pair<HWND, DWORD>> windows;
};

BOOL CALLBACK Top(HWND window, LPARAM context) {
  auto* looking = reinterpret_cast<Looking*>(context);
  DWORD process = 0;
  looking->user32.process_of(window, &process);
  if (std::find(looking->ids.begin(), looking->ids.end(), process) != looking->ids.end() &&
      looking->user32.visible(window)) {
    looking->windows.push_back({window, process});
  }
  return looking->windows.size() < kMostWindows;
}

BOOL CALLBACK Child(HWND control, LPARAM context) {
  auto* controls = reinterpret_cast<std::vector<HWND>*>(context);
  controls->push_back(control);
  return controls->size() <= kMostControls;
}

}  // namespace

WindowsSeen SystemShownWindows::Of(const std::vector<std::uint32_t>& process_ids) {
  WindowsSeen seen;
  const User32& user32 = User32::Loaded();
  if (user32.error != 0) {
    seen.error = user32.error;
    return seen;
  }
  Looking looking{user32, process_ids, {}};
  // Stopped by the bound, it failed nothing; otherwise 0 says no error either.
  if (!user32.enum_windows(&Top, reinterpret_cast<LPARAM>(&looking)) &&
      looking.windows.size() < kMostWindows) {
    seen.error = ::GetLastError();
  }
  const DWORD start = ::GetTickCount();
  for (const auto& [window, process] : looking.windows) {
    if (::GetTickCount() - start > kLookBudgetMs) break;
    ShownWindow shown;
    shown.id = reinterpret_cast<std::uintptr_t>(window);
    shown.process_id = process;
    wchar_t title[256] = L"";
    const int length = user32.title(window, title, 256);
    shown.title.assign(title, length > 0 ? length : 0);
    std::vector<HWND> controls;
    user32.enum_children(window, &Child, reinterpret_cast<LPARAM>(&controls));
    shown.dialog = ClassOf(user32, window) == L"#32770" && controls.size() <= kMostControls;
    for (const HWND control : controls) {
      if (!shown.dialog || ::GetTickCount() - start > kLookBudgetMs) break;
      const std::wstring kind = ClassOf(user32, control);
      if (kind == L"Button") continue;
      if (kind != L"Static") {
        shown.dialog = false;
        break;
      }
      const std::wstring text = TextOf(user32, control);
      if (!text.empty()) shown.text += (shown.text.empty() ? L"" : L" ") + text;
    }
    seen.windows.push_back(std::move(shown));
  }
  return seen;
}

}  // namespace tarnweld::platform::win
