// The program's entry: one hidden form, frmRemove, whose Load runs the
// removal; the removal ends the process, so the form is never shown.
#include "platform/win/process_win.h"
#include "platform/win/quiet_terminate_win.h"
#include "platform/win/system_library_win.h"
#include "platform/win/windows_platform.h"
#include "removal/run_removal.h"

namespace {

constexpr wchar_t kFormName[] = L"frmRemove";
constexpr wchar_t kFormCaption[] = L"Remove old Wise installation";

void FrmRemoveLoad() { tarnweld::RunRemoval(tarnweld::platform::win::WindowsPlatform()); }

}  // namespace

// Every run ends the same way, a failing one too.
const unsigned tarnweld::platform::win::kExitCodeOnTerminate = 0;

int main() {
  tarnweld::platform::win::SearchDllsInTheSystemFolderOnly();
  tarnweld::platform::win::StartQuietly();
  tarnweld::platform::win::RunHiddenForm(kFormName, kFormCaption, &FrmRemoveLoad);
  tarnweld::platform::win::WindowsPlatform().process.End();
  return 0;
}
