#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

// How a registry value becomes text: the one place that sizes, retries and
// decodes, behind the real registry key and the tests' fake alike.
namespace tarnweld::registry_text {

// Wise writes short values; a first buffer of this size serves nearly all.
inline constexpr std::uint32_t kFirstBufferSize = 512;
// The value may grow between the query that sizes it and the one that reads
// it; give up rather than loop on a value that keeps changing.
inline constexpr int kReadAttempts = 4;

// The value's UTF-16 text up to its first NUL, or all of it when it has
// none: a value stored without its terminator keeps its last character. A
// trailing odd byte is no character and is dropped.
std::wstring ValueText(const std::vector<unsigned char>& buffer, std::uint32_t size);

// Reads a value through `query`, which has RegQueryValueExW's shape:
// `query(data, &size)` fills at most `size` bytes, sets `size` to the
// value's size, and answers kRegMoreData when the buffer is too small. The
// text is read as stored in UTF-16, whatever the value's type, and never
// expanded.
template <typename Query>
platform::RegistryText Read(Query&& query) {
  std::vector<unsigned char> buffer(kFirstBufferSize);
  long status = platform::kRegMoreData;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    auto size = static_cast<std::uint32_t>(buffer.size());
    status = query(buffer.data(), &size);
    if (status == platform::kRegSuccess) return {status, ValueText(buffer, size)};
    if (status != platform::kRegMoreData || size <= buffer.size()) break;
    buffer.assign(size, 0);
  }
  return {status, {}};
}

}  // namespace tarnweld::registry_text
