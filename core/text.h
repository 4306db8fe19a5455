#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text operations every comparison and split in the program uses.
// Upper-casing folds the ASCII letters a to z only, one character for one,
// whatever the user's locale: positions never move, "unwise.exe" is found on
// a Turkish system too, and nothing else folds into an ASCII letter.
namespace tarnweld::text {

template <typename Char>
constexpr Char UpperAscii(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 'a' + 'A') : c;
}

template <typename Char>
bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// Index of the first occurrence of `needle` in `haystack`, or npos.
std::size_t FindIgnoringAsciiCase(std::wstring_view haystack, std::wstring_view needle);

// A number in decimal digits. (std::to_wstring would bring the C library's
// wide formatting and locale code into the programs.)
std::wstring Decimal(unsigned long long number);

// Removes leading and trailing U+0020 only; tabs and other blanks stay.
std::wstring_view TrimSpaces(std::wstring_view s);

// The text with a to z upper-cased: a key that compares as paths do.
std::wstring UpperAsciiCopy(std::wstring_view text);

// A to Z and a to z: the letters a drive may have.
constexpr bool IsAsciiLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// `text` between square brackets, so that leading and trailing spaces and
// quotation marks show; control characters are written as <U+0009>.
std::wstring Bracketed(std::wstring_view text);

// "1 line", "2 lines".
std::wstring Counted(std::size_t count, const wchar_t* thing);

// "error 5": the system's error code as a number, for looking up.
std::wstring ErrorText(unsigned long error);

// "14.5 s": a duration to a tenth of a second.
std::wstring Seconds(std::uint64_t milliseconds);

// "500,000": a number with its thousands marked, as the words write bounds.
std::wstring Grouped(unsigned long long number);

}  // namespace tarnweld::text
