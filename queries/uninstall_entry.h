#pragma once

#include <optional>
#include <string>

#include "platform/file_security.h"
#include "platform/registry.h"

// The first of ReadReg's two questions: what an uninstall entry says. Each
// read opens the entry's key once and closes it again.
namespace tarnweld::ReadReg {

// What an inventory shows of an entry; empty where a value is unreadable.
struct EntryDisplay {
  std::wstring name;     // DisplayName
  std::wstring version;  // DisplayVersion
  std::wstring publisher;
};

// What to read of the entry: the command alone; the key's security too,
// when the command names a Wise uninstaller (the removal's decision); what
// one entry's report shows, the security as before; and what an inventory,
// which lists Wise entries only, shows of each of those.
enum class EntryValues { kUninstallString, kWithSecurity, kWithDisplay, kForInventory };

// One read of an uninstall entry, a subkey of
// HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall.
struct UninstallEntry {
  long open_status = platform::kRegFileNotFound;  // opening the entry's key
  long read_status = platform::kRegSuccess;       // reading UninstallString, once opened
  // Read as stored in UTF-16 whatever its type, never expanded; the text
  // ends at its first NUL, or takes the whole value when it has none.
  std::wstring uninstall_string;
  EntryDisplay display;                            // with EntryValues::kWithDisplay only
  std::optional<platform::SecurityRead> security;  // the key's, when read
  bool found() const { return open_status == platform::kRegSuccess; }
  bool read() const { return found() && read_status == platform::kRegSuccess; }
};

UninstallEntry ReadUninstallEntry(platform::Registry& registry, const std::wstring& entry_name,
                                  platform::RegistryView view = platform::RegistryView::kProgram,
                                  EntryValues values = EntryValues::kUninstallString);

// The "UninstallString" value's text alone: empty when it cannot be read.
std::wstring GetUninstallString(platform::Registry& registry, const std::wstring& entry_name);

}  // namespace tarnweld::ReadReg
