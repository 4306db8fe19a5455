// The program's one window: created, never shown, never in the way.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

constexpr wchar_t kCaption[] = L"Remove old Wise installation";

struct FormSighting {
  bool found = false;
  bool ever_visible = false;
  bool top_level = false;
  // Every caption read. While the window is being made or destroyed it may
  // read as empty: those readings say nothing and are left out.
  std::set<std::wstring> captions;
};

struct Search {
  DWORD process_id;
  HWND window;
};

// The form by its class, should the process have other top-level windows.
BOOL CALLBACK NoteWindowOf(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t class_name[32] = {};
  GetClassNameW(window, class_name, 32);
  if (owner != search->process_id || std::wstring(class_name) != L"frmRemove") return TRUE;
  search->window = window;
  return FALSE;
}

HWND FindFormOf(DWORD process_id) {
  Search search{process_id, nullptr};
  EnumWindows(&NoteWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.window;
}

// Watches `tarnweld` until it ends, noting what its window looked like.
FormSighting WatchForm(Process& tarnweld) {
  FormSighting sighting;
  while (tarnweld.Wait(0).finished == false) {
    if (const HWND form = FindFormOf(tarnweld.id())) {
      wchar_t caption[128] = {};
      if (GetWindowTextW(form, caption, 128) > 0) sighting.captions.insert(caption);
      sighting.found = true;
      sighting.top_level = GetParent(form) == nullptr;
      sighting.ever_visible |= IsWindowVisible(form) != FALSE;
    }
    Sleep(1);
  }
  return sighting;
}

class Form : public EntryFixture {};

TEST_F(Form, ExistsHiddenWithItsCaptionWhileTheProgramRuns) {
  // Watched from start to end of a run that waits for its uninstaller.
  Install(folder_ / L"UNWISE.EXE", folder_ / L"INSTALL.LOG", 1500);
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(Tail()));
  ASSERT_TRUE(tarnweld.started());
  const FormSighting sighting = WatchForm(tarnweld);
  EXPECT_TRUE(sighting.found);
  EXPECT_TRUE(sighting.top_level);
  EXPECT_EQ(sighting.captions, std::set<std::wstring>{kCaption});
  EXPECT_FALSE(sighting.ever_visible);
  EXPECT_EQ(tarnweld.Wait(0).exit_code, 0u);
}

}  // namespace
}  // namespace tarnweld::e2e
