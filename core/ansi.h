#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Whether text reaches an ANSI program unchanged: the one place that chooses
// how to ask the system, behind the real code page alone. The conversions are
// passed in with the shapes of WideCharToMultiByte and MultiByteToWideChar,
// so that the choice can be tested where no Windows runs.
namespace tarnweld::ansi {

inline constexpr std::uint32_t kUtf8 = 65001;
inline constexpr std::uint32_t kNoBestFitChars = 0x400;   // WC_NO_BEST_FIT_CHARS
inline constexpr std::uint32_t kErrInvalidChars = 0x80;   // WC_ERR_INVALID_CHARS
inline constexpr std::uint32_t kMbErrInvalidChars = 0x8;  // MB_ERR_INVALID_CHARS

// The most bytes one UTF-16 unit becomes in any code page (GB18030: four).
inline constexpr std::size_t kMostBytesPerUnit = 4;

// `to_ansi(flags, text, out, out_size, used_default)` and
// `from_ansi(flags, bytes, out, out_size)` answer as the system's functions
// do: the units written, 0 on failure, a buffer too small included. A code
// page of UTF-8 ("Use Unicode UTF-8 for worldwide language support")
// refuses best-fit flags and a default character: nothing is best fit there,
// and characters it cannot carry fail the conversion instead.
template <typename ToAnsi, typename FromAnsi>
bool RoundTrips(std::uint32_t code_page, std::wstring_view text, ToAnsi&& to_ansi,
                FromAnsi&& from_ansi) {
  if (text.empty()) return true;
  const bool utf8 = code_page == kUtf8;
  int used_default = 0;
  std::string bytes(text.size() * kMostBytesPerUnit, '\0');
  const int size = to_ansi(utf8 ? kErrInvalidChars : kNoBestFitChars, text, &bytes[0],
                           static_cast<int>(bytes.size()), utf8 ? nullptr : &used_default);
  if (size <= 0 || used_default) return false;
  bytes.resize(static_cast<std::size_t>(size));
  // What comes back unchanged has as many units as went in; a longer answer
  // fails for want of room.
  std::wstring back(text.size(), L'\0');
  const int units = from_ansi(kMbErrInvalidChars, std::string_view(bytes), &back[0],
                              static_cast<int>(back.size()));
  return units == static_cast<int>(text.size()) && back == text;
}

}  // namespace tarnweld::ansi
