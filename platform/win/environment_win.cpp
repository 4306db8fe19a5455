#include "platform/win/environment_win.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace tarnweld::platform::win {
namespace {

// Calls `get(buffer, size)`, which answers as the system's string functions
// do (the length written, or the size needed), at any length.
template <typename Get>
std::wstring Grown(Get&& get) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

}  // namespace

std::wstring ProcessEnvironment::Variable(const std::wstring& name) {
  return Grown([&](wchar_t* buffer, DWORD size) {
    return ::GetEnvironmentVariableW(name.c_str(), buffer, size);
  });
}

std::vector<std::wstring> ProcessEnvironment::Block() {
  std::vector<std::wstring> block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  if (!strings) return block;
  for (const wchar_t* at = strings; *at; at += std::wcslen(at) + 1) block.emplace_back(at);
  ::FreeEnvironmentStringsW(strings);
  return block;
}

std::wstring ProcessEnvironment::TempPath() {
  return Grown([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
}

}  // namespace tarnweld::platform::win
