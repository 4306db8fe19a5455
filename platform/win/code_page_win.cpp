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

}  // namespace tarnweld::platform::win
