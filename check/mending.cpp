#include "check/mending.h"

#include <algorithm>
#include <string_view>

#include "core/sids.h"
#include "core/text.h"

namespace tarnweld::check {
namespace {

// What the folder's line grants, and to whom; /grant:r replaces these SIDs'
// own entries.
constexpr struct {
  const wchar_t* sid;
  const wchar_t* rights;
} kGranted[] = {{sids::kAdministrators, L"F"},
                {sids::kLocalSystem, L"F"},
                {sids::kTrustedInstaller, L"F"},
                {sids::kUsers, L"RX"}};

std::wstring Grant() {
  std::wstring grant = L" /inheritance:r /grant:r";
  for (const auto& [sid, rights] : kGranted) {
    grant += std::wstring(L" *") + sid + L":(OI)(CI)" + rights;
  }
  return grant;
}

bool Granted(const std::wstring& sid) {
  return std::any_of(std::begin(kGranted), std::end(kGranted),
                     [&](const auto& granted) { return sid == granted.sid; });
}

// The folder a finding is mended through: a file's own folder. None for a
// path that names no folder on a drive (a refusal, which no line mends).
std::optional<WinPath> FolderOf(const trust::Finding& finding) {
  const std::optional<WinPath> path = WinPath::Qualified(finding.path);
  if (!path || finding.role != trust::Role::kFile) return path;
  return path->Parent();
}

std::wstring Quoted(const WinPath& path) { return L"\"" + path.Text() + L"\""; }

// Whether two folders lie on one path, one inside or the same as the other.
bool OnOnePath(const std::optional<WinPath>& a, const std::optional<WinPath>& b) {
  return a && b && (*a == *b || a->IsInside(*b) || b->IsInside(*a));
}

}  // namespace

ProtectedFolders::ProtectedFolders(platform::Environment& environment, platform::SystemInfo& system)
    : windows_(WinPath::Qualified(system.WindowsDirectory())) {
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432",
                              L"ProgramData", L"ALLUSERSPROFILE", L"USERPROFILE"}) {
    if (const std::optional<WinPath> folder = WinPath::Qualified(environment.Variable(name))) {
      exactly_.push_back(*folder);
    }
  }
  // The Users folder holds Public (Vista on) or All Users (XP).
  for (const wchar_t* name : {L"PUBLIC", L"ALLUSERSPROFILE"}) {
    const std::optional<WinPath> profile = WinPath::Qualified(environment.Variable(name));
    const std::optional<WinPath> users = profile ? profile->Parent() : std::nullopt;
    if (users && !users->IsRoot() &&
        (std::wstring_view(name) == L"PUBLIC" || system.MajorVersion() < 6)) {
      users_roots_.push_back(*users);
    }
  }
}

bool ProtectedFolders::Protects(const WinPath& folder) const {
  if (folder.IsRoot()) return true;  // a drive's root reaches every file on it
  if (windows_ && (folder == *windows_ || folder.IsInside(*windows_))) return true;
  for (const WinPath& exact : exactly_) {
    if (folder == exact) return true;
  }
  for (const WinPath& users : users_roots_) {
    if (folder == users || folder.Parent() == users) return true;
  }
  return false;
}

namespace {

// The findings on one path from a drive's root down.
Mending MendChain(const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
                  const ExplicitUntrusted& explicit_untrusted) {
  Mending mending;
  for (const trust::Finding& finding : findings) {
    if (!finding.permissions || !FolderOf(finding)) {
      mending.why_none = L"permissions cannot mend " + finding.object + L" [" + finding.path +
                         L"], which " + finding.rights;
      return mending;
    }
  }
  // The highest folder with a finding, a file's counting as its folder's.
  WinPath top = *FolderOf(findings.front());
  for (const trust::Finding& finding : findings) {
    if (top.IsInside(*FolderOf(finding))) top = *FolderOf(finding);
  }
  std::vector<WinPath> owned, below;
  for (const trust::Finding& finding : findings) {
    const WinPath path = *WinPath::Qualified(finding.path);
    const auto listed = [&](const std::vector<WinPath>& paths) {
      return std::find(paths.begin(), paths.end(), path) != paths.end();
    };
    if (finding.owner && !listed(owned)) owned.push_back(path);
    if (path != top && !listed(below)) below.push_back(path);
  }
  std::vector<WinPath> touched = owned;
  touched.push_back(top);
  touched.insert(touched.end(), below.begin(), below.end());
  for (const WinPath& path : touched) {
    if (protect.Protects(path)) {
      mending.why_none = L"a line would change the permissions of [" + path.Text() +
                         L"], which reach far more than this installation";
      return mending;
    }
  }
  for (const WinPath& path : owned) {
    mending.lines.push_back(L"icacls " + Quoted(path) + L" /setowner *" + sids::kAdministrators);
  }
  std::wstring line = L"icacls " + Quoted(top) + Grant();
  for (const std::wstring& sid : explicit_untrusted(top)) {
    if (!Granted(sid)) line += L" /remove:g *" + sid;
  }
  mending.lines.push_back(line);
  for (const WinPath& path : below) {
    mending.lines.push_back(L"icacls " + Quoted(path) + L" /reset");
  }
  return mending;
}

}  // namespace

Mending Mend(const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
             const ExplicitUntrusted& explicit_untrusted) {
  // Findings on unrelated paths (a program and a DLL among its arguments)
  // are mended each on their own, never one through the other.
  std::vector<std::vector<trust::Finding>> chains;
  for (const trust::Finding& finding : findings) {
    const std::optional<WinPath> folder = FolderOf(finding);
    const auto on_one_path = [&](const trust::Finding& other) {
      return OnOnePath(folder, FolderOf(other));
    };
    const auto chain = std::find_if(chains.begin(), chains.end(), [&](const auto& found) {
      return std::any_of(found.begin(), found.end(), on_one_path);
    });
    if (chain != chains.end()) {
      chain->push_back(finding);
    } else {
      chains.push_back({finding});
    }
  }
  Mending mending;
  for (const auto& chain : chains) {
    Mending mended = MendChain(chain, protect, explicit_untrusted);
    mending.lines.insert(mending.lines.end(), mended.lines.begin(), mended.lines.end());
    if (mending.why_none.empty()) mending.why_none = mended.why_none;
  }
  return mending;
}

}  // namespace tarnweld::check
