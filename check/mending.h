#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/trust.h"
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
  bool Protects(const std::wstring& path) const;

 private:
  std::wstring windows_;
  std::vector<std::wstring> exactly_;      // these folders themselves
  std::vector<std::wstring> users_roots_;  // these, and each folder right inside them
};

struct Mending {
  std::vector<std::wstring> lines;  // empty: no line mends it
  // Why no line is printed for the findings on one path; empty when every
  // path has its lines.
  std::wstring why_none;
};

// Findings on unrelated paths are mended each on their own.
// `explicit_untrusted(folder)`: the SIDs of untrusted principals with an
// allow entry written on `folder` itself (not inherited), in order.
Mending Mend(
    const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
    const std::function<std::vector<std::wstring>(const std::wstring&)>& explicit_untrusted);

}  // namespace tarnweld::check
