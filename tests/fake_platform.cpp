#include "tests/fake_platform.h"

namespace tarnweld::fake {

FakePlatform::FakePlatform()
    : FakeProgram(static_cast<Recorder&>(*this)),
      FakeRegistry(static_cast<Recorder&>(*this)),
      FakeFiles(static_cast<Recorder&>(*this)),
      FakeAccounts(static_cast<Recorder&>(*this)),
      FakeSystem(static_cast<Recorder&>(*this)),
      FakeLocks(static_cast<Recorder&>(*this)),
      FakeProcesses(static_cast<Recorder&>(*this)),
      platform_{{*this, *this, *this, *this, *this, *this, *this, *this},
                *this,
                *this,
                *this,
                *this,
                *this,
                *this,
                *this,
                *this,
                debugger},
      check_{{*this, *this, *this, *this, *this, *this, *this, *this},
             *this,
             *this,
             *this,
             *this,
             *this,
             *this,
             out,
             err} {
  debugger.events = &events;
}

void FakePlatform::StartOnEntry(const std::string& text, const std::vector<std::wstring>& files) {
  command_tail = L"OldApp";
  AddUninstallValue(L"OldApp", text);
  normal_files.insert(files.begin(), files.end());
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

}  // namespace tarnweld::fake
