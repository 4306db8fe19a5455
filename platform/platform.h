#pragma once

#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/file_security.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/output.h"
#include "platform/pause.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "platform/registry.h"

namespace tarnweld::platform {

// Everything the removal asks of the operating system, in one place so that
// tests can hand in a scripted stand-in.
struct Platform {
  ThisProcess& process;
  Pause& pause;
  Clock& clock;
  Registry& registry;
  FileSearch& files;
  FileSecurity& security;
  Accounts& accounts;
  Launcher& launcher;
  ProcessList& processes;
  TextOutput& debugger;  // one line per call, for a debugger to show
};

}  // namespace tarnweld::platform
