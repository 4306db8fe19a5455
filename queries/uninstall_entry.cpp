#include "queries/uninstall_entry.h"

#include "core/wise.h"

namespace tarnweld::ReadReg {
namespace {

// Opens the entry's key; a NUL in the name would silently shorten the path
// the system sees, so such a name opens nothing.
long OpenEntry(platform::Registry& registry, const std::wstring& entry_name,
               platform::RegistryView view, std::unique_ptr<platform::RegistryKey>* key) {
  if (entry_name.find(L'\0') != std::wstring::npos) return platform::kRegFileNotFound;
  const long status = registry.OpenLocalMachineKey(
      std::wstring(wise::kUninstallKey) + L"\\" + entry_name, view, key);
  if (status == platform::kRegSuccess && !*key) return platform::kRegFileNotFound;
  return status;
}

}  // namespace

UninstallEntry ReadUninstallEntry(platform::Registry& registry, const std::wstring& entry_name,
                                  platform::RegistryView view, EntryValues values) {
  UninstallEntry entry;
  std::unique_ptr<platform::RegistryKey> key;
  entry.open_status = OpenEntry(registry, entry_name, view, &key);
  if (!entry.found()) return entry;
  platform::RegistryText command = key->ReadText(wise::kUninstallValue);
  entry.read_status = command.status;
  entry.uninstall_string = std::move(command.text);
  const bool wise = wise::NamesUninstaller(entry.uninstall_string);
  if (values != EntryValues::kUninstallString && wise) entry.security = key->Security();
  if (values == EntryValues::kWithDisplay || (values == EntryValues::kForInventory && wise)) {
    entry.display.name = key->ReadText(L"DisplayName").text;
    entry.display.version = key->ReadText(L"DisplayVersion").text;
    entry.display.publisher = key->ReadText(L"Publisher").text;
  }
  return entry;
}

std::wstring GetUninstallString(platform::Registry& registry, const std::wstring& entry_name) {
  return ReadUninstallEntry(registry, entry_name).uninstall_string;
}

}  // namespace tarnweld::ReadReg
