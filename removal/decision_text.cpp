#include "removal/decision_text.h"

#include "core/text.h"

namespace tarnweld {
namespace {

std::wstring OpenText(long status) {
  switch (status) {
    case platform::kRegSuccess:
      return L"found";
    case platform::kRegFileNotFound:
      return L"no such entry";
    case platform::kRegAccessDenied:
      return L"exists, but access is denied (" + ErrorText(platform::kRegAccessDenied) + L")";
    default:
      return L"cannot be opened (" + ErrorText(static_cast<unsigned long>(status)) + L")";
  }
}

std::wstring ReadText(long status) {
  if (status == platform::kRegFileNotFound) return L"has no UninstallString";
  return L"its UninstallString cannot be read (" + ErrorText(static_cast<unsigned long>(status)) +
         L")";
}

std::wstring FileText(const FileCheck& check) {
  switch (check.status) {
    case FileStatus::kFound:
      return L"a normal file";
    case FileStatus::kEmpty:
      return L"an empty path";
    case FileStatus::kNotFullyQualified:
      return L"not a fully qualified path (X:\\... or \\\\server\\share\\...)";
    case FileStatus::kForbiddenCharacter:
      return L"a path with a wildcard, a stray quotation mark or a character no file name has";
    case FileStatus::kDevice:
      return L"a device, not a file";
    case FileStatus::kMissing:
      return L"not found (" + ErrorText(check.error) + L")";
    case FileStatus::kDirectory:
      return L"a folder, not a file";
    case FileStatus::kHiddenOrSystem:
      return L"a hidden or system file";
  }
  return L"unknown";
}

std::wstring LookupLine(const Decision& decision, std::size_t index) {
  const Lookup& lookup = decision.lookups[index];
  std::wstring line = L"lookup " + Bracketed(lookup.name);
  if (index > 0) line += L" (second lookup: without surrounding spaces and quotation marks)";
  line += L": " + OpenText(lookup.open_status);
  if (lookup.open_status == platform::kRegSuccess && lookup.read_status != platform::kRegSuccess) {
    line += L", but " + ReadText(lookup.read_status);
  }
  return line;
}

std::wstring EntryProblem(const Decision& decision) {
  const Lookup& last = decision.lookups.back();
  if (last.open_status != platform::kRegSuccess) return OpenText(last.open_status);
  return L"exists, but " + ReadText(last.read_status);
}

}  // namespace

std::wstring ErrorText(unsigned long error) { return L"error " + text::Decimal(error); }

std::wstring Bracketed(std::wstring_view text) {
  std::wstring out = L"[";
  for (const wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) {
      static const wchar_t kHex[] = L"0123456789ABCDEF";
      out += L"<U+00";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
      out += L'>';
    } else {
      out += c;
    }
  }
  return out + L"]";
}

std::vector<std::wstring> DescribeSteps(const Decision& decision) {
  std::vector<std::wstring> steps{L"tail " + Bracketed(decision.tail) + L" (" +
                                  text::Decimal(decision.tail.size()) + L" characters)"};
  if (decision.verdict == Verdict::kNameTooShort) {
    steps.push_back(L"name too short: fewer than 2 characters once spaces are trimmed");
  }
  for (std::size_t i = 0; i < decision.lookups.size(); ++i) {
    steps.push_back(LookupLine(decision, i));
  }
  if (!decision.entry.empty() && decision.lookups.back().read_status == platform::kRegSuccess) {
    steps.push_back(L"UninstallString " + Bracketed(decision.uninstall_string));
    if (decision.command) {
      steps.push_back(decision.command->recognized_name + L" recognised: uninstaller " +
                      Bracketed(decision.command->uninstaller_path) + L", log " +
                      Bracketed(decision.command->arguments));
    } else {
      steps.push_back(L"neither UNWISE.EXE nor UNWISE32.EXE in it");
    }
  }
  if (decision.uninstaller) {
    steps.push_back(L"uninstaller " + Bracketed(decision.uninstaller->searched) + L": " +
                    FileText(*decision.uninstaller));
  }
  if (decision.log) {
    steps.push_back(L"log " + Bracketed(decision.log->searched) + L": " + FileText(*decision.log));
  }
  steps.push_back(std::wstring(L"verdict: ") + VerdictName(decision.verdict));
  if (decision.verdict == Verdict::kWouldLaunch) {
    std::wstring line = L"command line " + Bracketed(decision.command_line);
    if (!decision.program.empty())
      line += L", program named explicitly " + Bracketed(decision.program);
    steps.push_back(line);
  }
  return steps;
}

std::wstring Summary(const Decision& decision) {
  switch (decision.verdict) {
    case Verdict::kWouldLaunch:
      return L"Tarnweld.exe would start " + Bracketed(decision.command_line) + L".";
    case Verdict::kNameTooShort:
      return L"The entry name " + Bracketed(decision.tail) +
             L" has fewer than 2 characters once spaces are trimmed; nothing is looked up.";
    case Verdict::kNoEntry: {
      std::wstring text = L"No uninstall entry " + Bracketed(decision.lookups[0].name);
      if (decision.lookups.size() > 1) text += L" or " + Bracketed(decision.lookups[1].name);
      return text + L".";
    }
    case Verdict::kUnreadable:
      return L"The entry " + Bracketed(decision.lookups.back().name) + L" " +
             EntryProblem(decision) + L".";
    case Verdict::kNotWise:
      return L"The entry's UninstallString runs neither UNWISE.EXE nor UNWISE32.EXE.";
    case Verdict::kUninstallerMissing:
      return L"The uninstaller " + Bracketed(decision.uninstaller->searched) + L" is " +
             FileText(*decision.uninstaller) + L".";
    case Verdict::kLogMissing:
      return L"The log " + Bracketed(decision.log->searched) + L" is " + FileText(*decision.log) +
             L".";
  }
  return {};
}

}  // namespace tarnweld
