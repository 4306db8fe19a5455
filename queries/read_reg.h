#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// The two questions the removal asks the system. Neither keeps anything
// between calls; each opens and closes its own key or snapshot.
namespace tarnweld::ReadReg {

// One attempt to read the uninstall command of an entry.
struct EntryRead {
  long open_status = platform::kRegFileNotFound;  // opening the entry's key
  long read_status = platform::kRegSuccess;       // reading its value, once opened
  std::wstring uninstall_string;
  bool found() const { return open_status == platform::kRegSuccess; }
  bool read() const { return found() && read_status == platform::kRegSuccess; }
};

// The machine's uninstall key, under HKEY_LOCAL_MACHINE.
extern const wchar_t kUninstallKey[];

// The "UninstallString" value of the uninstall entry `entry_name` (a subkey
// of HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall), read as
// stored in UTF-16 whatever its type, and never expanded. The text ends at
// its first NUL, or takes the whole value when it has none.
EntryRead ReadUninstallString(platform::Registry& registry, const std::wstring& entry_name,
                              platform::RegistryView view = platform::RegistryView::kProgram);

// Any other value of the entry, read the same way; empty when unreadable.
std::wstring ReadEntryText(platform::Registry& registry, const std::wstring& entry_name,
                           const std::wstring& value_name, platform::RegistryView view);

// The same value's text alone: empty when it cannot be read.
std::wstring GetUninstallString(platform::Registry& registry, const std::wstring& entry_name);

// A process and its creator, by id.
struct ProcessLink {
  std::uint32_t id = 0;
  std::uint32_t parent_id = 0;
};

// One look at the system's processes.
struct ProcessScan {
  bool taken = false;
  // The ids of the processes named "unwise.exe" or "unwise32.exe".
  std::vector<std::uint32_t> uninstallers;
  std::vector<ProcessLink> links;  // every process listed
};
ProcessScan ScanProcesses(platform::ProcessList& processes);

// True when any process's image name is "unwise.exe" or "unwise32.exe" in
// any letter case; false when none is, or when the process list cannot be
// taken.
bool IsUninstallerRunning(platform::ProcessList& processes);

}  // namespace tarnweld::ReadReg
