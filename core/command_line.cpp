#include "core/command_line.h"

#include "core/text.h"

namespace tarnweld {
namespace {

constexpr std::wstring_view kBlanks = L" \t";

// Where the program's name ends when the line starts with one of its own
// full paths, unquoted; npos otherwise.
std::size_t EndOfOwnPath(std::wstring_view command_line, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    if (!text::EqualsIgnoringAsciiCase(command_line.substr(0, path.size()),
                                       std::wstring_view(path))) {
      continue;
    }
    const std::wstring_view after = command_line.substr(path.size(), 1);
    if (after.empty() || kBlanks.find(after[0]) != std::wstring_view::npos) return path.size();
  }
  return std::wstring_view::npos;
}

// Where the program's name ends: a quoted name at its closing quotation
// mark, one of its own paths where it stands whole, else the first blank.
std::size_t EndOfProgramName(std::wstring_view command_line,
                             const std::vector<std::wstring>& own_paths) {
  if (!command_line.empty() && command_line[0] == L'"') {
    const std::size_t closing = command_line.find(L'"', 1);
    return closing == std::wstring_view::npos ? command_line.size() : closing + 1;
  }
  const std::size_t own = EndOfOwnPath(command_line, own_paths);
  return own != std::wstring_view::npos ? own : command_line.find_first_of(kBlanks);
}

}  // namespace

std::wstring CommandLineTail(std::wstring_view command_line,
                             const std::vector<std::wstring>& own_paths) {
  const std::size_t end = EndOfProgramName(command_line, own_paths);
  const std::size_t tail =
      end == std::wstring_view::npos ? end : command_line.find_first_not_of(kBlanks, end);
  if (tail == std::wstring_view::npos) return {};
  return std::wstring(command_line.substr(tail));
}

}  // namespace tarnweld
