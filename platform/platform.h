#pragma once

#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/file_security.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/launch.h"
#include "platform/output.h"
#include "platform/pause.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "platform/registry.h"
#include "platform/removal_lock.h"
#include "platform/shown_windows.h"
#include "platform/system_info.h"

namespace tarnweld::platform {

// What deciding reads, and nothing that could change the machine: the same
// for Tarnweld.exe and TarnweldCheck.exe. The clock bounds the judgement.
struct Sources {
  Registry& registry;
  FileSearch& files;
  FileSecurity& security;
  Accounts& accounts;
  SystemInfo& system;
  AnsiCodePage& code_page;
  Environment& environment;
  Clock& clock;
};

// Everything the removal asks of the operating system, in one place so that
// tests can hand in a scripted stand-in.
struct Platform {
  Sources sources;
  ThisProcess& process;
  Pause& pause;
  Clock& clock;
  Folders& folders;
  RemovalLocks& locks;
  Launcher& launcher;
  ProcessList& processes;
  ShownWindows& windows;
  TextOutput& debugger;  // one line per call, for a debugger to show
};

}  // namespace tarnweld::platform
