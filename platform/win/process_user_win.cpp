#include "platform/win/process_user_win.h"

#include <vector>

#include "platform/win/file_security_win.h"
#include "platform/win/process_queries_win.h"
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

namespace {

// The limited right exists from Vista on; XP knows only the full one. Both
// only read.
HANDLE OpenToAsk(std::uint32_t id) {
  HANDLE opened = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!opened) opened = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
  return opened;
}

std::uint64_t Value(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// NtQueryInformationProcess's ProcessCommandLineInformation (60): the
// command line as the system keeps it, no memory of the process read.
constexpr ULONG kProcessCommandLineInformation = 60;

struct CountedText {  // UNICODE_STRING
  USHORT length;      // in bytes
  USHORT maximum;
  PWSTR text;
};

}  // namespace

ProcessUser ProcessQueries::UserOf(std::uint32_t id) {
  HANDLE opened = OpenToAsk(id);
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

std::optional<std::uint64_t> ProcessQueries::RunTime(std::uint32_t id) {
  HANDLE opened = OpenToAsk(id);
  if (!opened) return std::nullopt;
  const ScopedProcess process(opened);
  FILETIME created, exited, kernel, user, now;
  if (!::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) return std::nullopt;
  ::GetSystemTimeAsFileTime(&now);
  if (Value(now) < Value(created)) return 0;
  return (Value(now) - Value(created)) / 10'000;  // from 100 ns units
}

std::optional<std::uint32_t> ProcessQueries::SessionOf(std::uint32_t id) {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(id, &session)) return std::nullopt;
  return session;
}

std::optional<std::uint32_t> ProcessQueries::OwnSession() {
  return SessionOf(::GetCurrentProcessId());
}

std::optional<std::wstring> ProcessQueries::CommandLineOf(std::uint32_t id) {
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  // ntdll.dll is in every process, from its own folder.
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  if (!query) return std::nullopt;
  HANDLE opened = OpenToAsk(id);
  if (!opened) return std::nullopt;
  const ScopedProcess process(opened);
  ULONG size = 0;
  query(process.Get(), kProcessCommandLineInformation, nullptr, 0, &size);
  if (size < sizeof(CountedText) || size > 1 << 20) return std::nullopt;
  std::vector<BYTE> buffer(size);
  if (query(process.Get(), kProcessCommandLineInformation, buffer.data(), size, &size) < 0) {
    return std::nullopt;
  }
  const auto* line = reinterpret_cast<const CountedText*>(buffer.data());
  if (!line->text) return std::wstring();
  return std::wstring(line->text, line->length / sizeof(wchar_t));
}

}  // namespace tarnweld::platform::win
