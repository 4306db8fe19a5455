#include "tests/fake_system.h"

#include "core/text.h"

namespace tarnweld::fake {

bool FakeSystem::RoundTrips(std::wstring_view text) {
  for (const wchar_t c : text) {
    if (c >= 0x100 && also_in_code_page.count(c) == 0) return false;
  }
  return true;
}

std::optional<std::wstring> FakeSystem::Decode(std::string_view bytes) {
  std::wstring text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const bool is_lead = double_byte && ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0);
    if (!is_lead) {
      text += static_cast<wchar_t>(lead);
      continue;
    }
    if (i + 1 == bytes.size()) return std::nullopt;
    const auto trail = static_cast<unsigned char>(bytes[++i]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC || lead > 0xFC) return std::nullopt;
    text += static_cast<wchar_t>(0x4E00 + ((lead << 8 | trail) & 0x0FFF));
  }
  return text;
}

std::wstring FakeSystem::Variable(const std::wstring& name) {
  for (const std::wstring& variable : block) {
    if (variable.size() > name.size() && variable[name.size()] == L'=' &&
        text::EqualsIgnoringAsciiCase(std::wstring_view(variable).substr(0, name.size()),
                                      std::wstring_view(name))) {
      return variable.substr(name.size() + 1);
    }
  }
  return {};
}

std::wstring FakeSystem::TempPath() { return temp_path; }

platform::FolderMade FakeSystem::MakePrivate(const std::wstring& parent,
                                             const std::wstring& caller_sid) {
  record_.events.push_back("make folder in " + Narrow(parent) + " for " + Narrow(caller_sid));
  if (make_error != 0) return {{}, make_error};
  made.push_back(parent + L"\\" + made_name);
  return {made.back(), 0};
}

bool FakeSystem::RemoveIfEmpty(const std::wstring& path) {
  record_.events.push_back("remove folder " + Narrow(path));
  removed.push_back(path);
  return made_folder_empty;
}

}  // namespace tarnweld::fake
