#include "platform/process.h"

namespace tarnweld::platform {

std::wstring CommandLineTail(std::wstring_view command_line) {
  std::size_t at = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    const std::size_t closing = command_line.find(L'"', 1);
    at = closing == std::wstring_view::npos ? command_line.size() : closing + 1;
  } else {
    at = command_line.find_first_of(L" \t");
    if (at == std::wstring_view::npos) at = command_line.size();
  }
  const std::size_t tail = command_line.find_first_not_of(L" \t", at);
  if (tail == std::wstring_view::npos) return {};
  return std::wstring(command_line.substr(tail));
}

}  // namespace tarnweld::platform
