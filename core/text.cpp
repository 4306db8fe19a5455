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

std::wstring WithoutTrailingBackslashes(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ParentOf(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L'\\');
  if (last == std::wstring::npos || last + 1 == path.size()) return {};
  return path.substr(0, last == 2 ? 3 : last);
}

std::wstring_view TrimSpaces(std::wstring_view s) {
  const std::size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const std::size_t last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

}  // namespace tarnweld::text
