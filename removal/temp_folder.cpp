#include "removal/temp_folder.h"

#include <algorithm>

#include "core/text.h"

namespace tarnweld {
namespace {

constexpr unsigned kVistaMajor = 6;

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
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
  const std::wstring windows = sources.system.WindowsDirectory();
  const std::wstring profile = sources.environment.Variable(L"USERPROFILE");
  const bool vista = trust.principals().MajorVersion() >= kVistaMajor;
  const struct {
    TempSource source;
    std::wstring path;
  } candidates[] = {
      {TempSource::kCallers, WithoutTrailingBackslash(sources.environment.TempPath())},
      {TempSource::kSystemTemp, windows.empty() ? L"" : windows + L"\\SystemTemp"},
      {TempSource::kProfile,
       profile.empty() ? L""
                       : profile + (vista ? L"\\AppData\\Local\\Temp" : L"\\Local Settings\\Temp")},
      {TempSource::kMadeForTheRun, windows.empty() ? L"" : windows + L"\\Temp"},
  };
  TempChoice choice;
  for (const auto& candidate : candidates) {
    TempCandidate tried{candidate.source, candidate.path, {}, {}};
    if (!tried.path.empty()) {
      tried.text = CheckPath(sources.code_page, tried.path);
      if (tried.text.status == FileStatus::kNotSearched) {
        // The folder made for the run is judged once made; what holds it,
        // as any folder above.
        const bool made = candidate.source == TempSource::kMadeForTheRun;
        tried.walk = trust.CheckFolder(tried.path, TempFolderNames(),
                                       made ? trust::Role::kAbove : trust::Role::kProgramFolder);
      }
    }
    choice.tried.push_back(std::move(tried));
    if (choice.tried.back().usable()) break;
  }
  return choice;
}

std::vector<std::wstring> UninstallerEnvironment(const std::vector<std::wstring>& own,
                                                 const std::wstring& temp) {
  std::vector<std::wstring> environment = own;
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
