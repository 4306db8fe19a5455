#include "core/text.h"

namespace tarnweld::text {

std::size_t FindIgnoringAsciiCase(std::wstring_view haystack, std::wstring_view needle) {
  for (std::size_t at = 0; at + needle.size() <= haystack.size(); ++at) {
    if (EqualsIgnoringAsciiCase(haystack.substr(at, needle.size()), needle)) {
      return at;
    }
  }
  return std::wstring_view::npos;
}

std::wstring Decimal(unsigned long long number) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

std::wstring UpperAsciiCopy(std::wstring_view text) {
  std::wstring upper;
  upper.reserve(text.size());
  for (const wchar_t c : text) upper += UpperAscii(c);
  return upper;
}

std::wstring Grouped(unsigned long long number) {
  std::wstring digits = Decimal(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

std::wstring Counted(std::size_t count, const wchar_t* thing) {
  return Decimal(count) + L" " + thing + (count == 1 ? L"" : L"s");
}

std::wstring ErrorText(unsigned long error) { return L"error " + Decimal(error); }

std::wstring Seconds(std::uint64_t milliseconds) {
  return Decimal(milliseconds / 1000) + L"." + Decimal(milliseconds % 1000 / 100) + L" s";
}

std::wstring Bracketed(std::wstring_view text) {
  std::wstring out = L"[";
  for (const wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) {
      static const wchar_t kHex[] = L"0123456789ABCDEF";
      out += L"<U+00";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
      out += L'>';
    } else {
      out += c;
    }
  }
  return out + L"]";
}

std::wstring_view TrimSpaces(std::wstring_view s) {
  const std::size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const std::size_t last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

}  // namespace tarnweld::text
