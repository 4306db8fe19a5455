#include "core/ansi.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fake_record.h"

namespace tarnweld::ansi {
namespace {

// The system's conversions for two code pages, as Windows answers: 1252,
// where U+FF21 is best fit to 'A' unless asked not to, and UTF-8, which
// refuses best-fit flags and a default character outright and fails on a
// lone surrogate when asked to.
struct System {
  std::uint32_t code_page;
  int Encode(std::uint32_t flags, std::wstring_view text, std::string* out, int* used) const {
    if (code_page == kUtf8) {
      if ((flags & kNoBestFitChars) || used) return 0;  // ERROR_INVALID_FLAGS, _PARAMETER
      for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
          const bool pair =
              c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
          if (!pair && (flags & kErrInvalidChars)) return 0;
          *out += pair ? std::string("\xF0\x9F\x98\x80") : std::string("\xEF\xBF\xBD");
          i += pair;
        } else if (c < 0x80) {
          *out += static_cast<char>(c);
        } else {
          *out += "\xCE\x94";  // one two-byte letter stands for them all here
        }
      }
      return static_cast<int>(out->size());
    }
    for (const wchar_t c : text) {
      if (c < 0x100) {
        *out += static_cast<char>(c);
      } else if (c == 0xFF21 && !(flags & kNoBestFitChars)) {
        *out += 'A';
      } else {
        *out += '?';
        if (used) *used = 1;
      }
    }
    return static_cast<int>(out->size());
  }
  std::wstring Decode(std::string_view bytes) const {
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (code_page == kUtf8 && b == 0xCE) {
        text += L'\x0394';
        ++i;
      } else if (code_page == kUtf8 && b == 0xF0) {
        text += L"\xD83D\xDE00";
        i += 3;
      } else if (code_page == kUtf8 && b == 0xEF) {
        text += L'\xFFFD';
        i += 2;
      } else {
        text += static_cast<wchar_t>(b);
      }
    }
    return text;
  }
  bool RoundTrips(std::wstring_view text) const {
    return ansi::RoundTrips(
        code_page, text,
        [&](std::uint32_t flags, std::wstring_view wide, char* out, int size, int* used) {
          std::string bytes;
          const int n = Encode(flags, wide, &bytes, used);
          if (n > 0 && out) bytes.copy(out, static_cast<std::size_t>(size));
          return n;
        },
        [&](std::uint32_t, std::string_view bytes, wchar_t* out, int size) {
          const std::wstring text = Decode(bytes);
          if (out) text.copy(out, static_cast<std::size_t>(size));
          return static_cast<int>(text.size());
        });
  }
};

TEST(Ansi, PathsReachAnAnsiProgramUnchangedOrNotAtAll) {
  struct Case {
    std::uint32_t code_page;
    std::wstring path;
    bool round_trips;
  };
  const Case cases[] = {
      {1252, L"C:\\Caf\x00e9\\INSTALL.LOG", true},
      {1252, L"", true},
      // Best fit would hand the uninstaller C:\App\INSTALL.LOG.
      {1252, L"C:\\\xFF21pp\\INSTALL.LOG", false},
      {1252, L"C:\\\x0394\\INSTALL.LOG", false},
      // With UTF-8 as the system's code page, best-fit flags would make every
      // conversion fail; without them, everything whole comes back.
      {kUtf8, L"C:\\\x0394\\INSTALL.LOG", true},
      {kUtf8, L"C:\\\xD83D\xDE00\\INSTALL.LOG", true},
      {kUtf8, L"C:\\\xD83D\\INSTALL.LOG", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(System{c.code_page}.RoundTrips(c.path), c.round_trips)
        << c.code_page << " " << fake::Narrow(c.path);
  }
}

}  // namespace
}  // namespace tarnweld::ansi
