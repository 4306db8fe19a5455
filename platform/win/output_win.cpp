#include <windows.h>

#include <climits>
#include <string>

#include "platform/win/system_calls.h"

namespace tarnweld::platform::win {

void StandardOutput::Write(std::wstring_view text) {
  const HANDLE handle =
      ::GetStdHandle(stream_ == Stream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.size() > INT_MAX / 4) return;
  std::wstring lines;
  for (const wchar_t c : text) {
    if (c == L'\n') lines += L'\r';
    lines += c;
  }
  DWORD written = 0;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    ::WriteConsoleW(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    return;
  }
  const int length = static_cast<int>(lines.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, &utf8[0], bytes, nullptr, nullptr);
  ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace tarnweld::platform::win
