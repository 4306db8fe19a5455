#include "decide/decision_text.h"

#include <iterator>

#include "core/text.h"

namespace tarnweld {

using text::Bracketed;
using text::Counted;
using text::ErrorText;

namespace {

// "fewer than 2 characters once spaces are trimmed"
std::wstring TooShort() {
  return L"fewer than " + text::Decimal(kShortestEntryName) +
         L" characters once spaces are trimmed";
}

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

void AddFindings(const trust::TrustCheck& trust, std::vector<std::wstring>* steps) {
  for (const trust::Finding& finding : trust.findings) {
    steps->push_back(trust::Describe(finding));
  }
}

void AddTrustSteps(const wchar_t* what, const std::optional<FileCheck>& file,
                   const std::optional<trust::TrustCheck>& trust,
                   std::vector<std::wstring>* steps) {
  if (!trust) return;
  if (trust->trusted() && file->found()) {
    steps->push_back(
        what + Bracketed(file->searched) +
        L": only administrators and the caller can change it, its folder or a folder above");
  }
  AddFindings(*trust, steps);
}

void AddEntrySteps(const Decision& decision, std::vector<std::wstring>* steps) {
  if (!decision.entry_trust) return;
  if (decision.entry_trust->trusted()) {
    steps->push_back(L"entry " + Bracketed(EntryKeyPath(decision.entry)) +
                     L": only administrators and the caller can change it or the uninstall key");
  }
  AddFindings(*decision.entry_trust, steps);
}

std::wstring TempLine(const TempCandidate& candidate) {
  std::wstring line = L"temp ";
  if (candidate.source == TempSource::kMadeForTheRun && candidate.usable()) {
    return line + L"made for the run inside " + Bracketed(candidate.path) +
           L", which only administrators and the caller can change, nor a folder above";
  }
  if (!candidate.path.empty()) line += Bracketed(candidate.path) + L" ";
  line += L"(" + std::wstring(TempSourceWords(candidate.source)) + L"): ";
  if (candidate.path.empty()) return line + L"none on this system";
  if (!candidate.text.path) return line + FileText(candidate.text);
  if (candidate.walk.missing) return line + L"not found (" + ErrorText(candidate.walk.error) + L")";
  if (!candidate.walk.check.trusted()) return line + L"not used";
  return line + L"only administrators and the caller can change it, nor a folder above";
}

void AddTempSteps(const Decision& decision, std::vector<std::wstring>* steps) {
  if (!decision.temp) return;
  for (const TempCandidate& candidate : decision.temp->tried) {
    steps->push_back(TempLine(candidate));
    AddFindings(candidate.walk.check, steps);
  }
}

void AddPlanSteps(const Decision& decision, std::vector<std::wstring>* steps) {
  if (!decision.plan) return;
  const LogPlan& plan = *decision.plan;
  const std::wstring log = L"log " + Bracketed(decision.log->searched) + L": ";
  if (plan.read_error != 0) {
    steps->push_back(log + L"cannot be read (" + ErrorText(plan.read_error) + L")");
    return;
  }
  if (plan.bound != LogBound::kNone) {
    steps->push_back(log + BoundWords(plan.bound) + L"; not judged");
    return;
  }
  steps->push_back(log + Counted(plan.log.lines, L"line") + L", " +
                   Counted(plan.log.orders.size(), L"order") + L", " +
                   Counted(plan.log.not_understood.size(), L"line") + L" not understood");
  if (plan.line_end_fault) {
    steps->push_back(log + LineEndWords(*plan.line_end_fault) + L"; not judged");
  }
  if (!plan.judged) return;
  if (plan.trusted()) {
    steps->push_back(L"log orders: only administrators and the caller can change what they reach");
  }
  for (const OrderFinding& finding : plan.findings) steps->push_back(Describe(finding));
}

void AddPathSteps(const Decision& decision, std::vector<std::wstring>* steps) {
  if (!decision.path || !decision.path->set) return;
  for (const PathChoice::Dropped& dropped : decision.path->dropped) {
    steps->push_back(L"PATH folder " + Bracketed(dropped.folder) + L" left out: " + dropped.why);
  }
  steps->push_back(L"PATH for the uninstaller: " + Counted(decision.path->kept.size(), L"folder") +
                   L" kept, " + text::Decimal(decision.path->dropped.size()) + L" left out");
}

std::wstring PlanSummary(const Decision& d) {
  const LogPlan& plan = *d.plan;
  const std::wstring log = L"The log " + Bracketed(d.log->searched);
  if (plan.read_error != 0) return log + L" cannot be read (" + ErrorText(plan.read_error) + L").";
  if (plan.bound != LogBound::kNone) {
    return log + L" was not judged, so nothing is launched: " + BoundWords(plan.bound) + L".";
  }
  return log + L" orders what others than administrators could change: " +
         Describe(plan.findings.front()) + L".";
}

std::wstring UntrustedSummary(const wchar_t* what, const FileCheck& file,
                              const trust::TrustCheck& trust) {
  return std::wstring(what) + Bracketed(file.searched) +
         L" could have been changed by others than administrators: " +
         trust::Describe(trust.findings.front()) + L".";
}

}  // namespace

std::vector<std::wstring> DescribeSteps(const Decision& decision) {
  std::vector<std::wstring> steps{L"tail " + Bracketed(decision.tail) + L" (" +
                                  text::Decimal(decision.tail.size()) + L" characters)"};
  if (decision.verdict == Verdict::kNameTooShort) {
    steps.push_back(L"name too short: " + TooShort());
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
  AddEntrySteps(decision, &steps);
  if (decision.uninstaller) {
    steps.push_back(L"uninstaller " + Bracketed(decision.uninstaller->searched) + L": " +
                    FileText(*decision.uninstaller));
  }
  AddTrustSteps(L"uninstaller ", decision.uninstaller, decision.uninstaller_trust, &steps);
  if (decision.log) {
    steps.push_back(L"log " + Bracketed(decision.log->searched) + L": " + FileText(*decision.log));
  }
  AddTrustSteps(L"log ", decision.log, decision.log_trust, &steps);
  AddPlanSteps(decision, &steps);
  AddTempSteps(decision, &steps);
  AddPathSteps(decision, &steps);
  steps.push_back(std::wstring(L"verdict: ") + VerdictName(decision.verdict));
  if (decision.verdict == Verdict::kWouldLaunch) {
    std::wstring line = L"command line " + Bracketed(decision.command_line);
    if (!decision.program.empty())
      line += L", program named explicitly " + Bracketed(decision.program);
    steps.push_back(line);
  }
  return steps;
}

namespace {

// Every verdict, once: its name, TarnweldCheck.exe's exit code for it, and
// the sentence that sums a decision with it up. Nothing else names them.
struct VerdictRow {
  Verdict verdict;
  const wchar_t* name;
  int exit_code;
  std::wstring (*summary)(const Decision&);
};

constexpr VerdictRow kVerdicts[] = {
    {Verdict::kWouldLaunch, L"would-launch", 0,
     [](const Decision& d) {
       return L"Tarnweld.exe would start " + Bracketed(d.command_line) + L".";
     }},
    {Verdict::kNameTooShort, L"name-too-short", 10,
     [](const Decision& d) {
       return L"The entry name " + Bracketed(d.tail) + L" has " + TooShort() +
              L"; nothing is looked up.";
     }},
    {Verdict::kNoEntry, L"no-entry", 11,
     [](const Decision& d) {
       std::wstring text = L"No uninstall entry " + Bracketed(d.lookups[0].name);
       if (d.lookups.size() > 1) text += L" or " + Bracketed(d.lookups[1].name);
       return text + L".";
     }},
    {Verdict::kUnreadable, L"unreadable", 12,
     [](const Decision& d) {
       return L"The entry " + Bracketed(d.lookups.back().name) + L" " + EntryProblem(d) + L".";
     }},
    {Verdict::kNotWise, L"not-wise", 13,
     [](const Decision&) {
       return std::wstring(
           L"The entry's UninstallString runs neither UNWISE.EXE nor UNWISE32.EXE.");
     }},
    {Verdict::kEntryUntrusted, L"entry-untrusted", 18,
     [](const Decision& d) {
       return L"The entry " + Bracketed(EntryKeyPath(d.entry)) +
              L" could have been changed by others than administrators: " +
              trust::Describe(d.entry_trust->findings.front()) + L".";
     }},
    {Verdict::kUninstallerMissing, L"uninstaller-missing", 14,
     [](const Decision& d) {
       return L"The uninstaller " + Bracketed(d.uninstaller->searched) + L" is " +
              FileText(*d.uninstaller) + L".";
     }},
    {Verdict::kUninstallerUntrusted, L"uninstaller-untrusted", 16,
     [](const Decision& d) {
       return UntrustedSummary(L"The uninstaller ", *d.uninstaller, *d.uninstaller_trust);
     }},
    {Verdict::kLogMissing, L"log-missing", 15,
     [](const Decision& d) {
       return L"The log " + Bracketed(d.log->searched) + L" is " + FileText(*d.log) + L".";
     }},
    {Verdict::kLogUntrusted, L"log-untrusted", 17,
     [](const Decision& d) { return UntrustedSummary(L"The log ", *d.log, *d.log_trust); }},
    {Verdict::kLogRejected, L"log-rejected", 21,
     [](const Decision& d) {
       return L"The log " + Bracketed(d.log->searched) +
              L" would stop the uninstaller at a message box that waits for its button, "
              L"removing nothing: " +
              LineEndWords(*d.plan->line_end_fault) + L".";
     }},
    {Verdict::kLogOrdersUntrusted, L"log-orders-untrusted", 20, PlanSummary},
    {Verdict::kTempUntrusted, L"temp-untrusted", 19,
     [](const Decision& d) {
       return L"No temporary folder for the uninstaller can be trusted, nor made: " +
              TempLine(d.temp->tried.back()) + L".";
     }},
};

constexpr bool OneRowForEachVerdictInOrder() {
  if (std::size(kVerdicts) != static_cast<std::size_t>(Verdict::kCount)) return false;
  for (std::size_t i = 0; i < std::size(kVerdicts); ++i) {
    if (kVerdicts[i].verdict != static_cast<Verdict>(i)) return false;
  }
  return true;
}
static_assert(OneRowForEachVerdictInOrder(), "the verdict table has one row for each verdict");

const VerdictRow& RowOf(Verdict verdict) { return kVerdicts[static_cast<std::size_t>(verdict)]; }

}  // namespace

const wchar_t* VerdictName(Verdict verdict) { return RowOf(verdict).name; }

int VerdictExitCode(Verdict verdict) { return RowOf(verdict).exit_code; }

std::wstring ExitCodeList() {
  std::wstring list;
  for (const VerdictRow& row : kVerdicts) {
    list += (list.empty() ? L"" : L", ") + text::Decimal(row.exit_code) + L" " + row.name;
  }
  return list;
}

std::wstring Summary(const Decision& decision) { return RowOf(decision.verdict).summary(decision); }

}  // namespace tarnweld
