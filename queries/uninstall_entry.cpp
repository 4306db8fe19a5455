#include "queries/uninstall_entry.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/wise.h"

namespace tarnweld::ReadReg {
namespace {

// Wise writes short values; a first buffer of this size serves nearly all.
constexpr std::uint32_t kFirstBufferSize = 512;
// The value may grow between the query that sizes it and the one that reads
// it; give up rather than loop on a value that keeps changing.
constexpr int kReadAttempts = 4;

// The value's UTF-16 text up to its first NUL, or all of it when it has
// none: a value stored without its terminator keeps its last character. A
// trailing odd byte is no character and is dropped.
std::wstring ValueText(const std::vector<unsigned char>& buffer, std::uint32_t size) {
  const std::size_t bytes = std::min<std::size_t>(size, buffer.size());
  std::wstring text(bytes / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
  }
  return text.substr(0, text.find(L'\0'));
}

long ReadValue(platform::RegistryKey& key, const std::wstring& name, std::wstring* text) {
  std::vector<unsigned char> buffer(kFirstBufferSize);
  long status = platform::kRegMoreData;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    std::uint32_t type = platform::kRegSz;
    auto size = static_cast<std::uint32_t>(buffer.size());
    status = key.QueryValue(name, &type, buffer.data(), &size);
    if (status == platform::kRegSuccess) {
      *text = ValueText(buffer, size);
      return status;
    }
    if (status != platform::kRegMoreData || size <= buffer.size()) return status;
    buffer.assign(size, 0);
  }
  return status;
}

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

EntryRead ReadUninstallString(platform::Registry& registry, const std::wstring& entry_name,
                              platform::RegistryView view) {
  EntryRead read;
  std::unique_ptr<platform::RegistryKey> key;
  read.open_status = OpenEntry(registry, entry_name, view, &key);
  if (read.open_status == platform::kRegSuccess) {
    read.read_status = ReadValue(*key, wise::kUninstallValue, &read.uninstall_string);
  }
  return read;
}

std::wstring ReadEntryText(platform::Registry& registry, const std::wstring& entry_name,
                           const std::wstring& value_name, platform::RegistryView view) {
  std::unique_ptr<platform::RegistryKey> key;
  std::wstring text;
  if (OpenEntry(registry, entry_name, view, &key) == platform::kRegSuccess) {
    ReadValue(*key, value_name, &text);
  }
  return text;
}

std::wstring GetUninstallString(platform::Registry& registry, const std::wstring& entry_name) {
  return ReadUninstallString(registry, entry_name).uninstall_string;
}

}  // namespace tarnweld::ReadReg
