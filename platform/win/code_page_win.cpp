#include "platform/win/code_page_win.h"

#include <windows.h>

#include <climits>

#include "core/ansi.h"

namespace tarnweld::platform::win {

bool SystemCodePage::RoundTrips(std::wstring_view text) {
  if (text.size() > INT_MAX / 4) return false;
  const UINT code_page = ::GetACP();
  return ansi::RoundTrips(
      code_page, text,
      [&](std::uint32_t flags, std::wstring_view wide, char* out, int size, int* used_default) {
        return ::WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                                     out, size, nullptr, used_default);
      },
      [&](std::uint32_t flags, std::string_view bytes, wchar_t* out, int size) {
        return ::MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                                     out, size);
      });
}

std::optional<std::wstring> SystemCodePage::Decode(std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > INT_MAX / 2) return std::nullopt;
  const UINT code_page = ::GetACP();
  const int length = static_cast<int>(bytes.size());
  const int units =
      ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), length, &text[0],
                            units) != units) {
    return std::nullopt;
  }
  return text;
}

}  // namespace tarnweld::platform::win
