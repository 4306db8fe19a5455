#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/trust.h"
#include "decide/uninstall_command.h"
#include "platform/platform.h"

namespace tarnweld {

// Where the uninstaller's temporary folder comes from, in the order tried.
enum class TempSource {
  kCallers,       // GetTempPathW: an administrator's or a user's own profile folder
  kSystemTemp,    // %SystemRoot%\SystemTemp, Windows' own for SYSTEM
  kProfile,       // the temporary folder in the profile USERPROFILE names
  kMadeForTheRun  // a new folder inside %SystemRoot%\Temp
};

struct TempCandidate {
  TempSource source = TempSource::kCallers;
  // The folder; for kMadeForTheRun, the one it would be made in.
  std::wstring path;
  FileCheck text;    // the rules on the path's text, the code page's included
  trust::Walk walk;  // when the text passed
  bool usable() const {
    return !path.empty() && text.path && !walk.missing && walk.check.trusted();
  }
};

// The first temporary folder that only administrators and the caller can
// change, a Wise uninstaller copying itself there and loading every DLL
// beside the copy: what was tried, the one chosen last.
struct TempChoice {
  std::vector<TempCandidate> tried;
  bool found() const { return !tried.empty() && tried.back().usable(); }
  // Whether a folder must be made for the run, inside the last one tried.
  bool make() const { return found() && tried.back().source == TempSource::kMadeForTheRun; }
  // The folder the uninstaller gets; empty when one is to be made, or none passed.
  std::wstring folder() const { return found() && !make() ? tried.back().path : L""; }
};

TempChoice ChooseTempFolder(const platform::Sources& sources, trust::TrustJudge& trust);

// How the trace and TarnweldCheck name where a folder came from.
const wchar_t* TempSourceWords(TempSource source);

// The names the temporary folder's findings give its objects.
trust::ObjectNames TempFolderNames();

// The folders of PATH the uninstaller keeps: every program it runs looks
// for missing DLLs along them, so only folders that exist and that only
// administrators and the caller can change stay, in their order.
struct PathChoice {
  struct Dropped {
    std::wstring folder;  // as PATH names it
    std::wstring why;
  };
  bool set = false;  // PATH is set at all
  std::vector<std::wstring> kept;
  std::vector<Dropped> dropped;
  std::wstring value() const;  // the kept folders, joined by ';'
};

PathChoice ChoosePath(const platform::Sources& sources, trust::TrustJudge& trust);

// The uninstaller's environment: a copy of `own` (NAME=value strings, the
// hidden =C: ones included) with TEMP and TMP, whatever their letter case,
// naming `temp`, and added in order where absent; PATH, where `path` says it
// is set, holding only its kept folders.
std::vector<std::wstring> UninstallerEnvironment(const std::vector<std::wstring>& own,
                                                 const std::wstring& temp,
                                                 const PathChoice& path = {});

}  // namespace tarnweld
