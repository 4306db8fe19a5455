#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_security.h"
#include "platform/registry.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

// A registry value as stored: UTF-16LE bytes, or a status that every read
// of it answers instead.
struct FakeValue {
  std::string bytes;
  std::optional<long> forced_status;
};
// A key's values, by name.
using FakeKeyValues = std::map<std::wstring, FakeValue>;

// A value holding `text`, without a terminator.
inline FakeValue TextValue(const std::wstring& text) { return {Utf16(text), std::nullopt}; }
// RegQueryValueExW's answer for a value stored as `stored`: the bytes when
// they fit in `*size`, and the size they take either way.
long QueryStored(const std::string& stored, unsigned char* data, std::uint32_t* size);
// The path of the entry `name` under the uninstall key.
std::wstring UninstallKey(const std::wstring& name);

// The registry: keys by path, in the program's own view and in the other.
class FakeRegistry : public platform::Registry, public platform::RegistryListing {
 public:
  explicit FakeRegistry(Recorder& record) : record_(record) {}

  std::map<std::wstring, FakeKeyValues> keys;  // in the program's own view
  // The system's views, the program's own first; `other_view_keys` are in
  // the second.
  std::vector<platform::RegistryView> views{platform::RegistryView::k32Bit,
                                            platform::RegistryView::k64Bit};
  std::map<std::wstring, FakeKeyValues> other_view_keys;
  // Each key's security, by path; unless given, owned by Administrators, who
  // alone may change it. The Uninstall key itself always exists.
  std::map<std::wstring, platform::SecurityRead> key_security;
  // Keys an installation log names, by root and path ("HKLM\\Software\\X"),
  // with their security (`link` for a symbolic link); no other such key
  // exists but the keys on the way to them and the roots themselves, which
  // only administrators may change.
  std::map<std::wstring, platform::SecurityRead> log_keys;
  long open_status_for_existing_key = platform::kRegSuccess;
  long uninstall_key_status = platform::kRegSuccess;  // opening the Uninstall key itself
  long listing_status = platform::kRegSuccess;
  std::vector<std::wstring> opened_paths;  // the entries' keys, as opened

  // An entry whose UninstallString holds `text`, each char one UTF-16 unit
  // (Latin-1), and no terminator unless `text` ends with '\0'.
  void AddUninstallValue(const std::wstring& entry, const std::string& text);
  void AddUninstallValue(const std::wstring& entry, const std::wstring& text);

  long OpenLocalMachineKey(const std::wstring& path, platform::RegistryView view,
                           std::unique_ptr<platform::RegistryKey>* key) override;
  long OpenKey(platform::RegistryRoot root, const std::wstring& path, platform::RegistryView view,
               std::unique_ptr<platform::RegistryKey>* key) override;
  long SubkeyNames(const std::wstring& path, platform::RegistryView view,
                   std::vector<std::wstring>* names) override;
  std::vector<platform::RegistryView> Views() override { return views; }

 private:
  std::map<std::wstring, FakeKeyValues>& KeysIn(platform::RegistryView view);
  Recorder& record_;
  std::map<std::wstring, FakeKeyValues> uninstall_keys_;  // the Uninstall key's own values: none
};

}  // namespace tarnweld::fake
