#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/folders.h"
#include "platform/system_info.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

// The running Windows: its version and folders, its ANSI code page, this
// process's environment, and the folder made for a run.
class FakeSystem : public platform::SystemInfo,
                   public platform::AnsiCodePage,
                   public platform::Environment,
                   public platform::Folders {
 public:
  explicit FakeSystem(Recorder& record) : record_(record) {}

  unsigned major_version = 10;
  bool terminal_server_users = false;
  std::wstring windows_directory = L"C:\\WINDOWS";
  // A code page such as 1252: every character below U+0100 and those added
  // here come back unchanged.
  std::set<wchar_t> also_in_code_page;
  // Decoding a log's bytes: one character a byte, or, as in code page 932,
  // lead bytes 0x81-0x9F and 0xE0-0xFC that make one character with the
  // byte after them (0x40-0xFC but 0x7F; 0x5C and 0x7C among them).
  bool double_byte = false;
  std::wstring temp_path = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\";
  std::vector<std::wstring> block{L"=C:=C:\\WINDOWS\\system32", L"PATH=C:\\WINDOWS\\system32",
                                  L"TEMP=C:\\Users\\Admin\\AppData\\Local\\Temp",
                                  L"TMP=C:\\Users\\Admin\\AppData\\Local\\Temp",
                                  L"USERPROFILE=C:\\Users\\Admin"};
  std::wstring made_name = L"Tarnweld-0f1e2d3c4b5a69788796a5b4c3d2e1f0";
  std::uint32_t make_error = 0;  // not 0: no folder can be made
  bool made_folder_empty = true;
  std::vector<std::wstring> made, removed;

  unsigned MajorVersion() override { return major_version; }
  bool TerminalServerUsersEnabled() override { return terminal_server_users; }
  std::wstring WindowsDirectory() override { return windows_directory; }
  bool RoundTrips(std::wstring_view text) override;
  std::optional<std::wstring> Decode(std::string_view bytes) override;
  std::wstring Variable(const std::wstring& name) override;
  std::vector<std::wstring> Block() override { return block; }
  std::wstring TempPath() override;
  platform::FolderMade MakePrivate(const std::wstring& parent,
                                   const std::wstring& caller_sid) override;
  bool RemoveIfEmpty(const std::wstring& path) override;

 private:
  Recorder& record_;
};

}  // namespace tarnweld::fake
