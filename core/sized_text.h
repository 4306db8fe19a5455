#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// How text of a length not known beforehand comes out of a call that fills
// a buffer: the one loop behind GetFullPathNameW, GetModuleFileNameW and the
// environment's variables and temporary path, the calls passed in as thin
// lambdas so that the loop is tested where no Windows runs.
namespace tarnweld::sized_text {

inline constexpr std::size_t kFirstSize = 261;  // MAX_PATH and its NUL
// Doubling from the first size reaches the 32,767 characters a path may have.
inline constexpr int kAttempts = 8;

// `get(buffer, size)` answers as the system's string functions do: the
// length written, less than `size`; when the text does not fit, the size it
// needs, or `size` itself where the call only cuts the text short; 0 on
// failure. Nothing when it fails, or the text keeps outgrowing the buffer.
template <typename Get>
std::optional<std::wstring> Read(Get&& get) {
  std::vector<wchar_t> buffer(kFirstSize);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::size_t length = get(buffer.data(), buffer.size());
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(std::max(length + 1, buffer.size() * 2));
  }
  return std::nullopt;
}

}  // namespace tarnweld::sized_text
