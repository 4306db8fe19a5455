#include "queries/running_uninstallers.h"

#include <algorithm>
#include <string_view>

#include "core/text.h"
#include "core/wise.h"

namespace tarnweld::ReadReg {
namespace {

// Image names are compared without regard to letter case.
constexpr std::wstring_view kUninstallerImages[] = {wise::kUninstaller, wise::kUninstaller32};

bool IsUninstallerImage(const platform::ImageName& field) {
  const auto end = std::find(field.begin(), field.end(), L'\0');
  if (end == field.end()) return false;  // no terminator: not a name we trust
  const std::wstring_view name(field.data(), static_cast<std::size_t>(end - field.begin()));
  return std::any_of(
      std::begin(kUninstallerImages), std::end(kUninstallerImages),
      [name](std::wstring_view image) { return text::EqualsIgnoringAsciiCase(name, image); });
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
    if (IsUninstallerImage(entry.name)) scan.uninstallers.push_back(entry.id);
    scan.links.push_back({entry.id, entry.parent_id});
  }
  return scan;
}

bool IsUninstallerRunning(platform::ProcessList& processes) {
  return !ScanProcesses(processes).uninstallers.empty();
}

}  // namespace tarnweld::ReadReg
