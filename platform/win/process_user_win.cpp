#include "platform/win/process_user_win.h"

#include <vector>

#include "platform/win/file_security_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

std::wstring TokenUserSid(HANDLE token, DWORD* error) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) {
    *error = ::GetLastError();
    return {};
  }
  std::vector<BYTE> user(size);
  if (!::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
    *error = ::GetLastError();
    return {};
  }
  std::wstring sid = SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
  if (sid.empty()) *error = ERROR_INVALID_SID;
  return sid;
}

ProcessUser UserOfProcess(std::uint32_t id) {
  // The limited right exists from Vista on; XP knows only the full one.
  // Both only read.
  HANDLE opened = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!opened) opened = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
  if (!opened) return {{}, ::GetLastError()};
  const ScopedProcess process(opened);
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process.Get(), TOKEN_QUERY, &token)) return {{}, ::GetLastError()};
  const ScopedToken owned(token);
  ProcessUser user;
  DWORD error = 0;
  user.sid = TokenUserSid(token, &error);
  user.error = error;
  return user;
}

}  // namespace tarnweld::platform::win
