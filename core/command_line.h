#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnweld {

// Skips the program's name and the spaces and tabs after it; keeps
// everything else, trailing spaces and quotation marks included. The name
// is quoted, or one of `own_paths` (the program's full path, written
// unquoted and possibly with spaces) followed by a blank or the end, or
// else everything up to the first blank.
std::wstring CommandLineTail(std::wstring_view command_line,
                             const std::vector<std::wstring>& own_paths = {});

}  // namespace tarnweld
