#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process_snapshot.h"

// The second of ReadReg's two questions: which uninstallers run. Each call
// takes and closes its own snapshot.
namespace tarnweld::ReadReg {

// A process and its creator, by id.
struct ProcessLink {
  std::uint32_t id = 0;
  std::uint32_t parent_id = 0;
};

// A process named as one of a Wise removal's.
struct RemovalProcess {
  std::uint32_t id = 0;
  std::wstring name;         // as the snapshot gives it
  bool uninstaller = false;  // "unwise.exe" or "unwise32.exe"; else a "GLB*.EXE" copy
};

// One look at the system's processes.
struct ProcessScan {
  bool taken = false;
  // The processes named "unwise.exe" or "unwise32.exe", and the copies a
  // Wise uninstaller hands its work to ("GLB*.EXE"): whatever may be a
  // removal under way, whoever runs it.
  std::vector<RemovalProcess> removals;
  std::vector<ProcessLink> links;  // every process listed
};
ProcessScan ScanProcesses(platform::ProcessList& processes);

// True when any process's image name is "unwise.exe" or "unwise32.exe" in
// any letter case; false when none is, or when the process list cannot be
// taken.
bool IsUninstallerRunning(platform::ProcessList& processes);

}  // namespace tarnweld::ReadReg
