#include "check/mending.h"

#include <algorithm>
#include <string_view>

#include "core/text.h"

namespace tarnweld::check {
namespace {

constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
// What the folder's line grants; /grant:r replaces these SIDs' own entries.
constexpr const wchar_t* kGranted[] = {
    kAdministrators, L"S-1-5-18", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
    L"S-1-5-32-545"};
constexpr wchar_t kGrant[] =
    L" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
    L"*S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464:(OI)(CI)F "
    L"*S-1-5-32-545:(OI)(CI)RX";

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return text::EqualsIgnoringAsciiCase(a, b);
}

std::wstring ParentOf(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L'\\');
  if (last == std::wstring::npos) return {};
  return path.substr(0, last == 2 ? 3 : last);
}

// Whether `path` lies somewhere below `folder`.
bool IsInside(std::wstring_view path, const std::wstring& folder) {
  const std::wstring prefix = folder + L"\\";
  return SamePath(path.substr(0, prefix.size()), prefix);
}

// The folder a finding is mended through: a file's own folder.
std::wstring FolderOf(const trust::Finding& finding) {
  return finding.role == trust::Role::kFile ? ParentOf(finding.path) : finding.path;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

ProtectedFolders::ProtectedFolders(platform::Environment& environment, platform::SystemInfo& system)
    : windows_(text::WithoutTrailingBackslashes(system.WindowsDirectory())) {
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432",
                              L"ProgramData", L"ALLUSERSPROFILE", L"USERPROFILE"}) {
    const std::wstring folder = text::WithoutTrailingBackslashes(environment.Variable(name));
    if (!folder.empty()) exactly_.push_back(folder);
  }
  // The Users folder holds Public (Vista on) or All Users (XP).
  for (const wchar_t* name : {L"PUBLIC", L"ALLUSERSPROFILE"}) {
    const std::wstring profile = text::WithoutTrailingBackslashes(environment.Variable(name));
    const std::wstring users = ParentOf(profile);
    if (users.size() > 3 && (std::wstring_view(name) == L"PUBLIC" || system.MajorVersion() < 6)) {
      users_roots_.push_back(users);
    }
  }
}

bool ProtectedFolders::Protects(const std::wstring& path) const {
  const std::wstring folder = text::WithoutTrailingBackslashes(path);
  if (folder.size() <= 3) return true;  // a drive's root reaches every file on it
  if (!windows_.empty() && (SamePath(folder, windows_) || IsInside(folder, windows_))) return true;
  for (const std::wstring& exact : exactly_) {
    if (SamePath(folder, exact)) return true;
  }
  for (const std::wstring& users : users_roots_) {
    if (SamePath(folder, users) || SamePath(ParentOf(folder), users)) return true;
  }
  return false;
}

namespace {

// The findings on one path from a drive's root down.
Mending MendChain(
    const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
    const std::function<std::vector<std::wstring>(const std::wstring&)>& explicit_untrusted) {
  Mending mending;
  for (const trust::Finding& finding : findings) {
    if (!finding.permissions) {
      mending.why_none = L"permissions cannot mend " + finding.object + L" [" + finding.path +
                         L"], which " + finding.rights;
      return mending;
    }
  }
  // The highest folder with a finding, a file's counting as its folder's.
  std::wstring top = FolderOf(findings.front());
  for (const trust::Finding& finding : findings) {
    if (FolderOf(finding).size() < top.size()) top = FolderOf(finding);
  }
  std::vector<std::wstring> owned, below;
  for (const trust::Finding& finding : findings) {
    const auto listed = [&](const std::vector<std::wstring>& paths) {
      return std::any_of(paths.begin(), paths.end(),
                         [&](const std::wstring& path) { return SamePath(path, finding.path); });
    };
    if (finding.owner && !listed(owned)) owned.push_back(finding.path);
    if (!SamePath(finding.path, top) && !listed(below)) below.push_back(finding.path);
  }
  std::vector<std::wstring> touched = owned;
  touched.push_back(top);
  touched.insert(touched.end(), below.begin(), below.end());
  for (const std::wstring& path : touched) {
    if (protect.Protects(path)) {
      mending.why_none = L"a line would change the permissions of [" + path +
                         L"], which reach far more than this installation";
      return mending;
    }
  }
  for (const std::wstring& path : owned) {
    mending.lines.push_back(L"icacls " + Quoted(path) + L" /setowner *" + kAdministrators);
  }
  std::wstring line = L"icacls " + Quoted(top) + kGrant;
  for (const std::wstring& sid : explicit_untrusted(top)) {
    if (std::find(std::begin(kGranted), std::end(kGranted), sid) == std::end(kGranted)) {
      line += L" /remove:g *" + sid;
    }
  }
  mending.lines.push_back(line);
  for (const std::wstring& path : below) {
    mending.lines.push_back(L"icacls " + Quoted(path) + L" /reset");
  }
  return mending;
}

}  // namespace

Mending Mend(
    const std::vector<trust::Finding>& findings, const ProtectedFolders& protect,
    const std::function<std::vector<std::wstring>(const std::wstring&)>& explicit_untrusted) {
  // Findings on unrelated paths (a program and a DLL among its arguments)
  // are mended each on their own, never one through the other.
  std::vector<std::vector<trust::Finding>> chains;
  for (const trust::Finding& finding : findings) {
    const std::wstring folder = FolderOf(finding);
    const auto on_one_path = [&](const trust::Finding& other) {
      const std::wstring other_folder = FolderOf(other);
      return SamePath(folder, other_folder) || IsInside(folder, other_folder) ||
             IsInside(other_folder, folder);
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
