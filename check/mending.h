#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/trust.h"
#include "core/win_path.h"
#include "platform/environment.h"
#include "platform/system_info.h"

// The icacls lines that mend exactly what was judged and found wanting, for
// an administrator to run on Vista and later. None is recursive: a folder
// may hold other products' files, and a link planted below it while it was
// open would carry a recursive change elsewhere.
namespace tarnweld::check {

// Folders whose permissions no line may touch: every drive's root, the
// Windows folder and everything below it, the Program Files folders,
// ProgramData, the Users folder and each profile's root.
class ProtectedFolders {
 public:
  ProtectedFolders(platform::Environment& environment, platform::SystemInfo& system);
  bool Protects(const WinPath& folder) const;

 private:
  std::optional<WinPath> windows_;
  std::vector<WinPath> exactly_;      // these folders themselves
  std::vector<WinPath> users_roots_;  // these, and each folder right inside them
};

// The SIDs of untrusted principals with an allow entry written on a folder
// itself (not inherited), in order.
using ExplicitUntrusted = std::function<std::vector<std::wstring>(const WinPath& folder)>;

struct Mending {
  std::vector<std::wstring> lines;  // empty: no line mends it
  // Why no line is printed for the findings on one path; empty when every
  // path has its lines.
  std::wstring why_none;
};

// Findings on unrelated paths are mended each on their own.
Mending Mend(const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
             const ExplicitUntrusted& explicit_untrusted);

}  // namespace tarnweld::check
