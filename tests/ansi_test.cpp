#include "core/ansi.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fake_record.h"

namespace tarnweld::ansi {
namespace {

// The system's conversions for two code pages, as strict as Windows: 1252,
// where U+FF21 is best fit to 'A' unless asked not to, and UTF-8, which
// refuses best-fit flags and a default character outright and fails on a
// lone surrogate when asked to; either fails when the answer does not fit.
struct System {
  std::uint32_t code_page;

  std::string Encode(std::uint32_t flags, std::wstring_view text, int* used, bool* failed) const {
    std::string out;
    if (code_page == 65001 && ((flags & kNoBestFitChars) || used)) *failed = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const unsigned c = text[i];
      if (code_page != 65001) {
        const bool best_fit = c == 0xFF21 && !(flags & kNoBestFitChars);
        if (c >= 0x100 && !best_fit && used) *used = 1;
        out += c < 0x100 ? static_cast<char>(c) : best_fit ? 'A' : '?';
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        const bool pair =
            c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (!pair && (flags & kErrInvalidChars)) *failed = true;
        out += pair ? "\xF0\x9F\x98\x80" : "\xEF\xBF\xBD";
        i += pair;
      } else {
        out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string("\xCE\x94");
      }
    }
    return out;
  }
  std::wstring Decode(std::string_view bytes) const {
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      const bool utf8 = code_page == 65001;
      if (utf8 && b == 0xCE) {
        text += L'\x0394';
        ++i;
      } else if (utf8 && b == 0xF0) {
        text += L"\xD83D\xDE00";
        i += 3;
      } else if (utf8 && b == 0xEF) {
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
          bool failed = false;
          const std::string bytes = Encode(flags, wide, used, &failed);
          if (failed || bytes.size() > static_cast<std::size_t>(size)) return 0;
          bytes.copy(out, bytes.size());
          return static_cast<int>(bytes.size());
        },
        [&](std::uint32_t, std::string_view bytes, wchar_t* out, int size) {
          const std::wstring text = Decode(bytes);
          if (bytes.empty() || text.size() > static_cast<std::size_t>(size)) return 0;
          text.copy(out, text.size());
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
      {65001, L"C:\\\x0394\\INSTALL.LOG", true},
      {65001, L"C:\\\xD83D\xDE00\\INSTALL.LOG", true},
      {65001, L"C:\\\xD83D\\INSTALL.LOG", false},
      // As many characters back, but another one: another path.
      {65001, L"\xFFFD", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page) + " " + fake::Narrow(c.path));
    EXPECT_EQ(System{c.code_page}.RoundTrips(c.path), c.round_trips);
  }
}

}  // namespace
}  // namespace tarnweld::ansi
