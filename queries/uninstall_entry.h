#pragma once

#include <string>

#include "platform/registry.h"

// The first of ReadReg's two questions: what an uninstall entry says. Each
// call opens and closes its own key.
namespace tarnweld::ReadReg {

// One attempt to read the uninstall command of an entry.
struct EntryRead {
  long open_status = platform::kRegFileNotFound;  // opening the entry's key
  long read_status = platform::kRegSuccess;       // reading its value, once opened
  std::wstring uninstall_string;
  bool found() const { return open_status == platform::kRegSuccess; }
  bool read() const { return found() && read_status == platform::kRegSuccess; }
};

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

}  // namespace tarnweld::ReadReg
