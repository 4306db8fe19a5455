#include "core/command_line.h"

#include "core/text.h"

namespace tarnweld {
namespace {

constexpr std::wstring_view kBlanks = L" \t";

// Where the program's name ends when the line starts with one of its own
// full paths, unquoted; npos otherwise.
std::size_t EndOfOwnPath(std::wstring_view command_line, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    if (path.empty() || path.size() > command_line.size()) continue;
    const bool ends_there = path.size() == command_line.size() ||
                            kBlanks.find(command_line[path.size()]) != std::wstring_view::npos;
    if (ends_there && text::EqualsIgnoringAsciiCase(command_line.substr(0, path.size()),
                                                    std::wstring_view(path))) {
      return path.size();
    }
  }
  return std::wstring_view::npos;
}

}  // namespace

std::wstring CommandLineTail(std::wstring_view command_line,
                             const std::vector<std::wstring>& own_paths) {
  std::size_t at = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    const std::size_t closing = command_line.find(L'"', 1);
    at = closing == std::wstring_view::npos ? command_line.size() : closing + 1;
  } else if ((at = EndOfOwnPath(command_line, own_paths)) == std::wstring_view::npos) {
    at = command_line.find_first_of(kBlanks);
    if (at == std::wstring_view::npos) at = command_line.size();
  }
  const std::size_t tail = command_line.find_first_not_of(kBlanks, at);
  if (tail == std::wstring_view::npos) return {};
  return std::wstring(command_line.substr(tail));
}

}  // namespace tarnweld
