#include "platform/win/windows_platform.h"

#include <windows.h>

#include "platform/win/accounts_win.h"
#include "platform/win/clock_win.h"
#include "platform/win/code_page_win.h"
#include "platform/win/debugger_win.h"
#include "platform/win/environment_win.h"
#include "platform/win/file_security_win.h"
#include "platform/win/files_win.h"
#include "platform/win/folders_win.h"
#include "platform/win/launch_win.h"
#include "platform/win/pause_win.h"
#include "platform/win/process_list_win.h"
#include "platform/win/process_win.h"
#include "platform/win/registry_win.h"
#include "platform/win/removal_lock_win.h"
#include "platform/win/shown_windows_win.h"
#include "platform/win/system_info_win.h"

namespace tarnweld::platform::win {
namespace {

struct FormState {
  void (*load)();
  bool loaded;
};

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* state = static_cast<FormState*>(create->lpCreateParams);
    state->loaded = true;
    state->load();
    return 0;
  }
  // Closing the form must neither destroy it nor cut the removal short.
  if (message == WM_CLOSE) return 0;
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void RunHiddenForm(const wchar_t* class_name, const wchar_t* caption, void (*load)()) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = &FormProcedure;
  form_class.hInstance = instance;
  form_class.lpszClassName = class_name;
  ::RegisterClassExW(&form_class);

  FormState state{load, false};
  // No WS_VISIBLE and no ShowWindow: the form is never shown.
  ::CreateWindowExW(0, class_name, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, &state);
  if (!state.loaded) load();
}

Platform& WindowsPlatform() {
  static SystemProcess process;
  static SystemPause pause;
  static TickClock clock;
  static SystemRegistry registry;
  static SystemFileSearch files;
  static SystemFileSecurity security;
  static SystemAccounts accounts;
  static SystemFacts system;
  static SystemCodePage code_page;
  static ProcessEnvironment environment;
  static PrivateFolders folders;
  static MutexLocks locks;
  static SystemLauncher launcher;
  static ToolhelpProcessList processes;
  static SystemShownWindows windows;
  static DebuggerOutput debugger;
  static Platform platform{
      {registry, files, security, accounts, system, code_page, environment, clock},
      process,
      pause,
      clock,
      folders,
      locks,
      launcher,
      processes,
      windows,
      debugger};
  return platform;
}

}  // namespace tarnweld::platform::win
