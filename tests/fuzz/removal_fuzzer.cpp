// Arbitrary command-line tails, registry values and file systems through the
// whole removal on the fake platform. Input: one byte of faults, then the
// tail, the value's text and the existing files, separated by two NULs;
// files are separated by newlines. Tail and value bytes from 0xF0 up stand
// for characters outside any ANSI code page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "core/text.h"
#include "removal/run_removal.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

constexpr std::string_view kSeparator("\0\0", 2);

std::string_view NextField(std::string_view* input) {
  const std::size_t end = input->find(kSeparator);
  const std::string_view field = input->substr(0, end);
  input->remove_prefix(end == std::string_view::npos ? input->size() : end + kSeparator.size());
  return field;
}

std::wstring Widen(std::string_view bytes, bool allow_wide) {
  std::wstring text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(allow_wide && byte >= 0xF0 ? static_cast<wchar_t>(0x2000 + byte) : byte);
  }
  return text;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

// TarnweldCheck.exe decides the same as Tarnweld.exe did, starts nothing,
// and its JSON parses whatever the name and value hold.
void CheckTheCheck(fake::FakePlatform& os) {
  const std::wstring& tail = os.command_tail;
  const std::size_t first = tail.find_first_not_of(L" \t");
  if (first != std::wstring::npos && tail[first] == L'/') return;  // options, not a name
  const std::size_t launches = os.launches.size();
  const int exit_code = check::RunCheck(os.check(), L"/json " + os.command_tail);
  Check(os.launches.size() == launches && os.open_handles == 0);
  std::string json;
  for (const wchar_t c : os.out.text) {
    Check(c >= 0x20 && c < 0x7F ? true : c == L'\n');
    json += static_cast<char>(c);
  }
  const auto parsed = nlohmann::json::parse(json, nullptr, false);
  Check(!parsed.is_discarded() && parsed.is_object());
  // Blanks after the option are skipped, as after the program's name.
  if (first == 0 || first == std::wstring::npos) {
    Check((exit_code == 0) == (launches == 1));
    Check(parsed["exitCode"] == exit_code);
  }
}

void CheckRemoval(fake::FakePlatform& os, std::uint32_t start);

void RunOnce(std::string_view input) {
  fake::FakePlatform os;
  const std::uint8_t faults = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
  input.remove_prefix(input.empty() ? 0 : 1);
  os.command_tail = Widen(NextField(&input), true);
  const std::wstring value = Widen(NextField(&input), true);
  std::string_view files = input;
  while (!files.empty()) {
    const std::size_t end = files.find('\n');
    os.normal_files.insert(Widen(files.substr(0, end), false));
    files.remove_prefix(end == std::string_view::npos ? files.size() : end + 1);
  }
  if (!(faults & 1)) os.AddUninstallValue(os.command_tail, value);
  if (faults & 2) os.open_status_for_existing_key = 5;
  if (faults & 4) os.launch_result = 0;
  if (faults & 8) os.snapshot_fails = true;
  const std::uint32_t start = os.now;
  const std::uint32_t linger = (faults >> 4) * 40'000u;  // up to ten minutes
  os.processes = [start, linger](std::uint32_t now) {
    std::vector<platform::ImageName> list{fake::FakePlatform::Image(L"explorer.exe")};
    if (now - start < linger) list.push_back(fake::FakePlatform::Image(L"unwise.exe"));
    return list;
  };

  RunRemoval(os.os());
  CheckRemoval(os, start);
  CheckTheCheck(os);
}

void CheckRemoval(fake::FakePlatform& os, std::uint32_t start) {
  Check(os.ended == 1 && os.events.back() == "end");
  Check(os.open_handles == 0);
  if (text::TrimSpaces(os.command_tail).size() < 2) Check(os.opened_paths.empty());
  Check(os.launches.size() <= 1);
  if (os.launches.empty()) return;
  // A launch only ever follows two searches that found both files: the last
  // decision's, after a wait for another removal.
  Check(os.searched_paths.size() >= 2 && os.searched_paths.size() % 2 == 0);
  const std::vector<std::wstring> found(os.searched_paths.end() - 2, os.searched_paths.end());
  for (const auto& path : found) {
    // As the search resolves it: a doubled backslash reads as one.
    Check(!path.empty() && os.normal_files.count(os.FullPath(path)) == 1);
    // Fully qualified: a drive and its backslash, or a share.
    Check(path.size() > 3 && (path.substr(1, 2) == L":\\" || path.substr(0, 2) == L"\\\\"));
    Check(path.find_first_of(L"\"*?<>|") == std::wstring::npos);
  }
  const std::wstring& line = os.launches[0].command_line;
  Check(line.find(L" /a ") != std::wstring::npos);
  Check(line.find(L'\0') == std::wstring::npos);
  Check(os.launches[0].program.empty() || os.launches[0].program == found[0]);
  Check(os.now - start <= 600'000u + 500u);
}

}  // namespace
}  // namespace tarnweld

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarnweld::RunOnce(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
