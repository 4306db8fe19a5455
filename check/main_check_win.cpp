// TarnweldCheck.exe's entry: the check over the real registry and files,
// answering on standard output and error.
#include "check/check.h"
#include "platform/win/accounts_win.h"
#include "platform/win/clock_win.h"
#include "platform/win/code_page_win.h"
#include "platform/win/environment_win.h"
#include "platform/win/file_digest_win.h"
#include "platform/win/file_security_win.h"
#include "platform/win/files_win.h"
#include "platform/win/lock_probe_win.h"
#include "platform/win/output_win.h"
#include "platform/win/pause_win.h"
#include "platform/win/process_win.h"
#include "platform/win/quiet_terminate_win.h"
#include "platform/win/registry_list_win.h"
#include "platform/win/registry_win.h"
#include "platform/win/shown_windows_win.h"
#include "platform/win/snapshot_win.h"
#include "platform/win/system_info_win.h"
#include "platform/win/system_library_win.h"

namespace {

constexpr int kFailed = 1;

}  // namespace

// A check that could not finish must not look like an answer.
const unsigned tarnweld::platform::win::kExitCodeOnTerminate = kFailed;

int main() {
  using namespace tarnweld::platform::win;
  SearchDllsInTheSystemFolderOnly();
  StartQuietly();
  SystemProcess process;
  SystemRegistry registry;
  SystemRegistryListing listing;
  SystemFileSearch files;
  SystemFileSecurity security;
  SystemAccounts accounts;
  SystemFacts system;
  SystemCodePage code_page;
  ProcessEnvironment environment;
  TickClock clock;
  CryptoDigest digest;
  MutexProbe locks;
  ProcessListing processes;
  SystemShownWindows windows;
  SleepOnlyPause pause;
  StandardOutput out(StandardOutput::Stream::kOutput);
  StandardOutput err(StandardOutput::Stream::kError);
  tarnweld::check::CheckPlatform platform{
      {registry, files, security, accounts, system, code_page, environment, clock},
      listing,
      digest,
      locks,
      processes,
      windows,
      pause,
      out,
      err};
  try {
    return tarnweld::check::RunCheck(platform, process.CommandTail());
  } catch (...) {
    err.Write(L"TarnweldCheck: could not finish\n");
    return kFailed;
  }
}
