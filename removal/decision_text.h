#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "removal/decision.h"

// The decision in words, for the debugger trace of Tarnweld.exe and the
// report of TarnweldCheck.exe alike.
namespace tarnweld {

// `text` between square brackets, so that leading and trailing spaces and
// quotation marks show; control characters are written as <U+0009>.
std::wstring Bracketed(std::wstring_view text);

// One line a step, in the order the deciding took them.
std::vector<std::wstring> DescribeSteps(const Decision& decision);

// One sentence that sums the decision up.
std::wstring Summary(const Decision& decision);

// "0 would-launch, 10 name-too-short, ...": every verdict's exit code.
std::wstring ExitCodeList();

// What the rules on a path, and the search, found: "a normal file", "not a
// fully qualified path (...)".
std::wstring FileText(const FileCheck& check);

// "1 line", "2 lines".
std::wstring Counted(std::size_t count, const wchar_t* thing);

// "error 5": the system's error code as a number, for looking up.
std::wstring ErrorText(unsigned long error);

// "14.5 s": a duration to a tenth of a second.
std::wstring Seconds(std::uint32_t milliseconds);

}  // namespace tarnweld
