#include "platform/win/environment_win.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "core/sized_text.h"

namespace tarnweld::platform::win {
std::wstring ProcessEnvironment::Variable(const std::wstring& name) {
  return sized_text::Read([&](wchar_t* buffer, std::size_t size) {
           return ::GetEnvironmentVariableW(name.c_str(), buffer, static_cast<DWORD>(size));
         })
      .value_or(L"");
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
  return sized_text::Read([](wchar_t* buffer, std::size_t size) {
           return ::GetTempPathW(static_cast<DWORD>(size), buffer);
         })
      .value_or(L"");
}

}  // namespace tarnweld::platform::win
