#include "queries/read_reg.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace tarnweld::ReadReg {
namespace {

constexpr std::wstring_view kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kValueName[] = "UninstallString";
constexpr std::string_view kUninstallerImage = "unwise.exe";

// Wise writes short values; a first buffer of this size serves nearly all.
constexpr std::uint32_t kFirstBufferSize = 255;
// The value may grow between the query that sizes it and the one that reads
// it; give up rather than loop on a value that keeps changing.
constexpr int kReadAttempts = 4;

// The value's bytes up to its first NUL, or all of them when it has none:
// a value stored without its terminator keeps its last character. Cutting
// bytes before the conversion keeps double-byte code pages intact.
std::string TextBytes(const std::vector<unsigned char>& buffer, std::uint32_t size) {
  const auto end =
      buffer.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(size, buffer.size()));
  return std::string(buffer.begin(), std::find(buffer.begin(), end, 0));
}

std::string ReadValueBytes(platform::RegistryKey& key) {
  std::vector<unsigned char> buffer(kFirstBufferSize, ' ');
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    std::uint32_t type = platform::kRegSz;
    auto size = static_cast<std::uint32_t>(buffer.size());
    const long status = key.QueryValue(kValueName, &type, buffer.data(), &size);
    if (status == platform::kRegSuccess) return TextBytes(buffer, size);
    if (status != platform::kRegMoreData || size <= buffer.size()) return {};
    buffer.assign(size, ' ');
  }
  return {};
}

bool IsUninstallerImage(const platform::ImageName& field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  if (end == field.end()) return false;  // no terminator: not a name we trust
  const std::string_view name(field.data(), static_cast<std::size_t>(end - field.begin()));
  return text::EqualsIgnoringAsciiCase(name, kUninstallerImage);
}

}  // namespace

std::wstring GetUninstallString(platform::Platform& platform, const std::wstring& entry_name) {
  std::string key_path;
  const std::wstring wide_path = std::wstring(kUninstallKey) + entry_name;
  // A NUL would silently shorten the path the ANSI call sees.
  if (!platform.ansi.Encode(wide_path, &key_path) || key_path.find('\0') != std::string::npos) {
    return {};
  }
  std::unique_ptr<platform::RegistryKey> key;
  if (platform.registry.OpenLocalMachineKey(key_path, &key) != platform::kRegSuccess || !key) {
    return {};
  }
  return platform.ansi.Decode(ReadValueBytes(*key));
}

bool IsUninstallerRunning(platform::Platform& platform) {
  const auto snapshot = platform.processes.TakeSnapshot();
  if (!snapshot) return false;
  platform::ImageName name{};
  bool found = false;
  // Every entry is looked at, the first included; a match does not stop it.
  for (bool more = snapshot->First(&name); more; more = snapshot->Next(&name)) {
    if (IsUninstallerImage(name)) found = true;
  }
  return found;
}

}  // namespace tarnweld::ReadReg
