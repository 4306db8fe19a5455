#include "core/registry_text.h"

#include <algorithm>

namespace tarnweld::registry_text {

std::wstring ValueText(const std::vector<unsigned char>& buffer, std::uint32_t size) {
  const std::size_t bytes = std::min<std::size_t>(size, buffer.size());
  std::wstring text(bytes / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
  }
  return text.substr(0, text.find(L'\0'));
}

}  // namespace tarnweld::registry_text
