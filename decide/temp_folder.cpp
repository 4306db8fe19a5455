#include "decide/temp_folder.h"

#include <algorithm>

#include "core/text.h"

namespace tarnweld {
namespace {

constexpr unsigned kVistaMajor = 6;

// The caller's own temporary folder as GetTempPathW names it, without the
// backslash that ends it.
std::wstring AsFolder(const std::wstring& temp) {
  const std::optional<WinPath> path = WinPath::Qualified(temp);
  return path ? path->FolderText() : temp;
}

// A folder of the system's Windows folder; none when that is unknown.
std::wstring InWindows(const std::optional<WinPath>& windows, const wchar_t* name) {
  return windows ? windows->Child(name).Text() : L"";
}

// The name of a NAME=value string; a hidden one (=C:=C:\...) starts with
// its own "=".
std::wstring_view NameOf(std::wstring_view variable) {
  const std::size_t equals = variable.find(L'=', 1);
  return variable.substr(0, equals == std::wstring_view::npos ? variable.size() : equals);
}

// Environment blocks are sorted by name, without regard to case.
bool NameBefore(std::wstring_view a, std::wstring_view b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](wchar_t x, wchar_t y) { return text::UpperAscii(x) < text::UpperAscii(y); });
}

}  // namespace

const wchar_t* TempSourceWords(TempSource source) {
  switch (source) {
    case TempSource::kCallers:
      return L"the caller's own";
    case TempSource::kSystemTemp:
      return L"the system's own for SYSTEM";
    case TempSource::kProfile:
      return L"in the caller's profile";
    case TempSource::kMadeForTheRun:
      return L"to hold a folder made for the run";
  }
  return L"";
}

trust::ObjectNames TempFolderNames() {
  return {L"", L"temporary folder", L"folder above the temporary folder"};
}

TempChoice ChooseTempFolder(const platform::Sources& sources, trust::TrustJudge& trust) {
  const std::optional<WinPath> windows = WinPath::Qualified(sources.system.WindowsDirectory());
  const std::wstring profile = sources.environment.Variable(L"USERPROFILE");
  const bool vista = trust.principals().MajorVersion() >= kVistaMajor;
  const struct {
    TempSource source;
    std::wstring path;
  } candidates[] = {
      {TempSource::kCallers, AsFolder(sources.environment.TempPath())},
      {TempSource::kSystemTemp, InWindows(windows, L"SystemTemp")},
      {TempSource::kProfile,
       profile.empty() ? L""
                       : profile + (vista ? L"\\AppData\\Local\\Temp" : L"\\Local Settings\\Temp")},
      {TempSource::kMadeForTheRun, InWindows(windows, L"Temp")},
  };
  TempChoice choice;
  for (const auto& candidate : candidates) {
    TempCandidate tried{candidate.source, candidate.path, {}, {}};
    if (!tried.path.empty()) {
      tried.text = CheckPath(sources.code_page, tried.path);
      if (tried.text.path) {
        // The folder made for the run is judged once made; what holds it,
        // as any folder above.
        const bool made = candidate.source == TempSource::kMadeForTheRun;
        tried.walk = trust.CheckFolder(*tried.text.path, TempFolderNames(),
                                       made ? trust::Role::kAbove : trust::Role::kProgramFolder);
      }
    }
    choice.tried.push_back(std::move(tried));
    if (choice.tried.back().usable()) break;
  }
  return choice;
}

std::wstring PathChoice::value() const {
  std::wstring joined;
  for (const std::wstring& folder : kept) joined += (joined.empty() ? L"" : L";") + folder;
  return joined;
}

PathChoice ChoosePath(const platform::Sources& sources, trust::TrustJudge& trust) {
  PathChoice choice;
  const std::wstring path = sources.environment.Variable(L"PATH");
  choice.set = !path.empty();
  const trust::ObjectNames names{L"", L"PATH folder", L"folder above a PATH folder"};
  for (std::size_t at = 0; at <= path.size();) {
    std::size_t end = path.find(L';', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring folder = path.substr(at, end - at);
    at = end + 1;
    if (folder.empty()) continue;
    const FileCheck text = CheckPath(sources.code_page, folder);
    if (text.status == FileStatus::kNameEndsInDotOrSpace) {
      choice.dropped.push_back({folder,
                                L"a name in it ends in a space or a dot, which Windows "
                                L"drops only from a path's last name: DLLs would be "
                                L"looked for in another folder than the one judged"});
      continue;
    }
    if (!text.path) {
      choice.dropped.push_back({folder, L"not a fully qualified path to a folder"});
      continue;
    }
    const trust::Walk walk = trust.CheckFolder(*text.path, names, trust::Role::kProgramFolder);
    if (!walk.check.trusted()) {
      choice.dropped.push_back({folder, trust::Describe(walk.check.findings.front())});
    } else if (walk.missing) {
      choice.dropped.push_back(
          {folder, L"not found, so whoever may make it decides what it holds"});
    } else {
      choice.kept.push_back(folder);
    }
  }
  return choice;
}

std::vector<std::wstring> UninstallerEnvironment(const std::vector<std::wstring>& own,
                                                 const std::wstring& temp, const PathChoice& path) {
  std::vector<std::wstring> environment = own;
  if (path.set) {
    for (std::wstring& variable : environment) {
      if (text::EqualsIgnoringAsciiCase(NameOf(variable), std::wstring_view(L"PATH"))) {
        variable = std::wstring(NameOf(variable)) + L"=" + path.value();
      }
    }
  }
  for (const std::wstring_view name : {std::wstring_view(L"TEMP"), std::wstring_view(L"TMP")}) {
    const std::wstring variable = std::wstring(name) + L"=" + temp;
    const auto same = std::find_if(
        environment.begin(), environment.end(),
        [&](const std::wstring& v) { return text::EqualsIgnoringAsciiCase(NameOf(v), name); });
    if (same != environment.end()) {
      *same = variable;
      continue;
    }
    const auto after =
        std::find_if(environment.begin(), environment.end(),
                     [&](const std::wstring& v) { return NameBefore(name, NameOf(v)); });
    environment.insert(after, variable);
  }
  return environment;
}

}  // namespace tarnweld
