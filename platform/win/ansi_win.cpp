#include <windows.h>

#include <climits>

#include "platform/win/system_calls.h"

#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x00000080
#endif

namespace tarnweld::platform::win {
namespace {

// Under a UTF-8 ANSI code page (a Windows 10 option) best-fit flags and the
// used-default check are refused; invalid UTF-16 is the only failure there.
struct EncodeMode {
  DWORD flags;
  bool check_default;
};

EncodeMode ModeForCodePage() {
  if (::GetACP() == CP_UTF8) return {WC_ERR_INVALID_CHARS, false};
  return {WC_NO_BEST_FIT_CHARS, true};
}

}  // namespace

bool SystemAnsiCodePage::Encode(const std::wstring& text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  const EncodeMode mode = ModeForCodePage();
  const int length = static_cast<int>(text.size());
  BOOL used_default = FALSE;
  BOOL* used_default_out = mode.check_default ? &used_default : nullptr;
  const int needed = ::WideCharToMultiByte(CP_ACP, mode.flags, text.data(), length, nullptr, 0,
                                           nullptr, used_default_out);
  if (needed <= 0 || used_default) return false;
  bytes->resize(static_cast<std::size_t>(needed));
  const int written = ::WideCharToMultiByte(CP_ACP, mode.flags, text.data(), length, &(*bytes)[0],
                                            needed, nullptr, used_default_out);
  return written == needed && !used_default;
}

std::wstring SystemAnsiCodePage::Decode(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring text(static_cast<std::size_t>(needed), L'\0');
  const int written = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &text[0], needed);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written));
  return text;
}

}  // namespace tarnweld::platform::win
