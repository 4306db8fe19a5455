#include "queries/running_uninstallers.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/text.h"
#include "core/wise.h"

namespace tarnweld::ReadReg {
namespace {

// Image names are compared without regard to letter case.
constexpr std::wstring_view kUninstallerImages[] = {wise::kUninstaller, wise::kUninstaller32};

// The name up to its terminator; nothing when it has none, a name we cannot trust.
std::optional<std::wstring_view> NameIn(const platform::ImageName& field) {
  const auto end = std::find(field.begin(), field.end(), L'\0');
  if (end == field.end()) return std::nullopt;
  return std::wstring_view(field.data(), static_cast<std::size_t>(end - field.begin()));
}

bool IsUninstallerImage(std::wstring_view name) {
  return std::any_of(
      std::begin(kUninstallerImages), std::end(kUninstallerImages),
      [name](std::wstring_view image) { return text::EqualsIgnoringAsciiCase(name, image); });
}

// GLB*.EXE: where a Wise uninstaller copies itself to do its work.
bool IsHandOffImage(std::wstring_view name) {
  constexpr std::wstring_view kPrefix = L"GLB", kSuffix = L".EXE";
  return name.size() >= kPrefix.size() + kSuffix.size() &&
         text::EqualsIgnoringAsciiCase(name.substr(0, kPrefix.size()), kPrefix) &&
         text::EqualsIgnoringAsciiCase(name.substr(name.size() - kSuffix.size()), kSuffix);
}

}  // namespace

ProcessScan ScanProcesses(platform::ProcessList& processes) {
  ProcessScan scan;
  const auto snapshot = processes.TakeSnapshot();
  if (!snapshot) return scan;
  scan.taken = true;
  platform::ProcessEntry entry;
  // Every entry is looked at, the first included; a match does not stop it.
  for (bool more = snapshot->First(&entry); more; more = snapshot->Next(&entry)) {
    const std::optional<std::wstring_view> name = NameIn(entry.name);
    const bool uninstaller = name && IsUninstallerImage(*name);
    if (uninstaller || (name && IsHandOffImage(*name))) {
      scan.removals.push_back({entry.id, std::wstring(*name), uninstaller});
    }
    scan.links.push_back({entry.id, entry.parent_id});
  }
  return scan;
}

bool IsUninstallerRunning(platform::ProcessList& processes) {
  const ProcessScan scan = ScanProcesses(processes);
  return std::any_of(scan.removals.begin(), scan.removals.end(),
                     [](const RemovalProcess& process) { return process.uninstaller; });
}

}  // namespace tarnweld::ReadReg
