#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decide/decision.h"

// The decision in words, for the debugger trace of Tarnweld.exe and the
// report of TarnweldCheck.exe alike.
namespace tarnweld {

// One line a step, in the order the deciding took them.
std::vector<std::wstring> DescribeSteps(const Decision& decision);

// One sentence that sums the decision up.
std::wstring Summary(const Decision& decision);

// "0 would-launch, 10 name-too-short, ...": every verdict's exit code.
std::wstring ExitCodeList();

}  // namespace tarnweld
