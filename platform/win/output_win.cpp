#include "platform/win/output_win.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

namespace tarnweld::platform::win {
namespace {

// Windows 7 and older fail a console write larger than the console's shared
// heap (about 64 KB); pieces this size always fit.
constexpr std::size_t kConsolePiece = 8192;

bool WriteConsolePieces(HANDLE console, const std::wstring& lines) {
  for (std::size_t at = 0; at < lines.size();) {
    std::size_t piece = std::min(kConsolePiece, lines.size() - at);
    // Never split a surrogate pair between two writes.
    if (piece == kConsolePiece && lines[at + piece - 1] >= 0xD800 &&
        lines[at + piece - 1] <= 0xDBFF) {
      --piece;
    }
    DWORD written = 0;
    if (!::WriteConsoleW(console, lines.data() + at, static_cast<DWORD>(piece), &written,
                         nullptr) ||
        written != piece) {
      return false;
    }
    at += piece;
  }
  return true;
}

bool WriteUtf8(HANDLE handle, const std::wstring& lines) {
  if (lines.empty()) return true;
  const int length = static_cast<int>(lines.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, lines.data(), length, &utf8[0], bytes, nullptr, nullptr);
  DWORD written = 0;
  return ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
         written == utf8.size();
}

}  // namespace

bool StandardOutput::Write(std::wstring_view text) {
  const HANDLE handle =
      ::GetStdHandle(stream_ == Stream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.size() > INT_MAX / 4) {
    return false;
  }
  std::wstring lines;
  for (const wchar_t c : text) {
    if (c == L'\n') lines += L'\r';
    lines += c;
  }
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) return WriteConsolePieces(handle, lines);
  return WriteUtf8(handle, lines);
}

}  // namespace tarnweld::platform::win
