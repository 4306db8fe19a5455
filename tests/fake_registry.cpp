#include "tests/fake_registry.h"

#include <algorithm>

#include "core/registry_text.h"
#include "core/wise.h"

namespace tarnweld::fake {
namespace {

class FakeKey final : public platform::RegistryKey, CountedHandle {
 public:
  FakeKey(Recorder& record, FakeKeyValues& values, platform::SecurityRead security,
          std::wstring path)
      : CountedHandle(record),
        values_(values),
        security_(std::move(security)),
        path_(std::move(path)) {}

  // The stored bytes go through the same sizing and decoding as the real
  // key's.
  platform::RegistryText ReadText(const std::wstring& name) override {
    record_.events.push_back("query " + Narrow(name));
    const auto found = values_.find(name);
    if (found == values_.end()) return {platform::kRegFileNotFound, {}};
    if (found->second.forced_status) return {*found->second.forced_status, {}};
    const std::string& stored = found->second.bytes;
    return registry_text::Read(
        [&](unsigned char* data, std::uint32_t* size) { return QueryStored(stored, data, size); });
  }

  platform::SecurityRead Security() override {
    record_.events.push_back("key security " + Narrow(path_));
    return security_;
  }

 private:
  FakeKeyValues& values_;
  platform::SecurityRead security_;
  std::wstring path_;
};

// Administrators own it and alone may change it; Users may read it.
platform::SecurityRead AdministratorsKey() {
  platform::SecurityRead read;
  read.owner = L"S-1-5-32-544";
  read.has_access_list = true;
  read.entries = {{platform::EntryKind::kAllow, false, 0xF003F, L"S-1-5-32-544", false, {}},
                  {platform::EntryKind::kAllow, false, 0x20019, L"S-1-5-32-545", false, {}}};
  return read;
}

}  // namespace

long QueryStored(const std::string& stored, unsigned char* data, std::uint32_t* size) {
  const bool fits = stored.size() <= *size;
  if (fits) std::copy(stored.begin(), stored.end(), data);
  *size = static_cast<std::uint32_t>(stored.size());
  return fits ? platform::kRegSuccess : platform::kRegMoreData;
}

std::wstring UninstallKey(const std::wstring& name) {
  return std::wstring(wise::kUninstallKey) + L"\\" + name;
}

void FakeRegistry::AddUninstallValue(const std::wstring& entry, const std::string& text) {
  AddUninstallValue(entry, std::wstring(text.begin(), text.end()));
}

void FakeRegistry::AddUninstallValue(const std::wstring& entry, const std::wstring& text) {
  keys[UninstallKey(entry)] = {{wise::kUninstallValue, TextValue(text)}};
}

std::map<std::wstring, FakeKeyValues>& FakeRegistry::KeysIn(platform::RegistryView view) {
  const bool program_view = view == platform::RegistryView::kProgram || view == views.front();
  return program_view ? keys : other_view_keys;
}

long FakeRegistry::OpenLocalMachineKey(const std::wstring& path, platform::RegistryView view,
                                       std::unique_ptr<platform::RegistryKey>* key) {
  record_.events.push_back("open");
  if (path != wise::kUninstallKey) opened_paths.push_back(path);
  auto& in_view = KeysIn(view);
  auto found = in_view.find(path);
  if (found == in_view.end() && path == wise::kUninstallKey) {
    if (uninstall_key_status != platform::kRegSuccess) return uninstall_key_status;
    found = uninstall_keys_.emplace(path, FakeKeyValues{}).first;
  } else if (found == in_view.end()) {
    return platform::kRegFileNotFound;
  } else if (open_status_for_existing_key != platform::kRegSuccess) {
    return open_status_for_existing_key;
  }
  const auto security = key_security.find(path);
  *key = std::make_unique<FakeKey>(
      record_, found->second,
      security == key_security.end() ? AdministratorsKey() : security->second, path);
  return platform::kRegSuccess;
}

long FakeRegistry::OpenKey(platform::RegistryRoot root, const std::wstring& path,
                           platform::RegistryView, std::unique_ptr<platform::RegistryKey>* key) {
  static const wchar_t* const kRoots[] = {L"HKCR", L"HKCU", L"HKLM", L"HKU"};
  const std::wstring name = std::wstring(kRoots[static_cast<int>(root)]) + L"\\" + path;
  record_.events.push_back("open key " + Narrow(name));
  const auto found = log_keys.find(name);
  // The keys on the way to one given exist too.
  const bool on_the_way = std::any_of(log_keys.begin(), log_keys.end(), [&](const auto& key) {
    return key.first.compare(0, name.size() + 1, name + L"\\") == 0;
  });
  if (found == log_keys.end() && !path.empty() && !on_the_way) return platform::kRegFileNotFound;
  const platform::SecurityRead security =
      found != log_keys.end() ? found->second : AdministratorsKey();
  *key = std::make_unique<FakeKey>(record_, uninstall_keys_[L""], security, name);
  return platform::kRegSuccess;
}

long FakeRegistry::SubkeyNames(const std::wstring& path, platform::RegistryView view,
                               std::vector<std::wstring>* names) {
  names->clear();
  if (listing_status != platform::kRegSuccess) return listing_status;
  const std::wstring prefix = path + L"\\";
  for (const auto& key : KeysIn(view)) {
    const std::wstring& key_path = key.first;
    if (key_path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::wstring name = key_path.substr(prefix.size());
    if (name.find(L'\\') == std::wstring::npos) names->push_back(name);
  }
  return platform::kRegSuccess;
}

}  // namespace tarnweld::fake
