#include <windows.h>
// These must come after windows.h.
#include <lm.h>
#include <sddl.h>

#include <array>
#include <vector>

#include "platform/win/accounts_win.h"
#include "platform/win/file_security_win.h"
#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

// Frees what the network management functions allocate.
class NetBuffer {
 public:
  ~NetBuffer() {
    if (buffer_) ::NetApiBufferFree(buffer_);
  }
  LPBYTE* out() { return &buffer_; }
  template <typename T>
  const T* as() const {
    return reinterpret_cast<const T*>(buffer_);
  }

 private:
  LPBYTE buffer_ = nullptr;
};

struct Account {
  DWORD error = 0;
  std::wstring name, domain;
  SID_NAME_USE use = SidTypeUnknown;
};

Account LookUp(PSID sid) {
  Account account;
  std::array<wchar_t, 256> name{}, domain{};
  DWORD name_size = static_cast<DWORD>(name.size()),
        domain_size = static_cast<DWORD>(domain.size());
  if (!::LookupAccountSidW(nullptr, sid, name.data(), &name_size, domain.data(), &domain_size,
                           &account.use)) {
    account.error = ::GetLastError();
    return account;
  }
  account.name = name.data();
  account.domain = domain.data();
  return account;
}

// The Administrators group's name on this system, from its SID.
Account AdministratorsGroup() {
  std::array<BYTE, SECURITY_MAX_SID_SIZE> sid{};
  DWORD size = static_cast<DWORD>(sid.size());
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &size)) {
    return {::GetLastError(), {}, {}, SidTypeUnknown};
  }
  return LookUp(sid.data());
}

// A SID given as text, converted back for the calls that take one.
class SidFromText {
 public:
  explicit SidFromText(const std::wstring& text) {
    if (!::ConvertStringSidToSidW(text.c_str(), &sid_)) error_ = ::GetLastError();
  }
  ~SidFromText() {
    if (sid_) ::LocalFree(sid_);
  }
  SidFromText(const SidFromText&) = delete;
  SidFromText& operator=(const SidFromText&) = delete;
  PSID get() const { return sid_; }
  DWORD error() const { return error_; }

 private:
  PSID sid_ = nullptr;
  DWORD error_ = 0;
};

}  // namespace

std::wstring SystemAccounts::CallerSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  const ScopedProcessHandle owned(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> user(size);
  if (!::GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
  return SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

SidList SystemAccounts::AdministratorsMembers() {
  SidList list;
  const Account group = AdministratorsGroup();
  if (group.error != 0) {
    list.error = group.error;
    return list;
  }
  DWORD_PTR resume = 0;
  NET_API_STATUS status;
  do {
    NetBuffer buffer;
    DWORD read = 0, total = 0;
    status = ::NetLocalGroupGetMembers(nullptr, group.name.c_str(), 0, buffer.out(),
                                       MAX_PREFERRED_LENGTH, &read, &total, &resume);
    if (status != NERR_Success && status != ERROR_MORE_DATA) {
      list.error = status;
      list.sids.clear();
      return list;
    }
    const auto* members = buffer.as<LOCALGROUP_MEMBERS_INFO_0>();
    for (DWORD i = 0; members && i < read; ++i) list.sids.push_back(SidText(members[i].lgrmi0_sid));
  } while (status == ERROR_MORE_DATA);
  return list;
}

MembershipFound SystemAccounts::AdministratorThroughGroups(const std::wstring& sid) {
  const SidFromText binary(sid);
  if (!binary.get()) return {Membership::kUnknown, binary.error()};
  const Account account = LookUp(binary.get());
  if (account.error != 0) return {Membership::kUnknown, account.error};
  if (account.use != SidTypeUser) return {Membership::kNotMember, 0};
  const Account group = AdministratorsGroup();
  if (group.error != 0) return {Membership::kUnknown, group.error};
  const std::wstring qualified =
      account.domain.empty() ? account.name : account.domain + L"\\" + account.name;
  NetBuffer buffer;
  DWORD read = 0, total = 0;
  const NET_API_STATUS status =
      ::NetUserGetLocalGroups(nullptr, qualified.c_str(), 0, LG_INCLUDE_INDIRECT, buffer.out(),
                              MAX_PREFERRED_LENGTH, &read, &total);
  if (status != NERR_Success) return {Membership::kUnknown, status};
  const auto* groups = buffer.as<LOCALGROUP_USERS_INFO_0>();
  for (DWORD i = 0; groups && i < read; ++i) {
    if (::lstrcmpiW(groups[i].lgrui0_name, group.name.c_str()) == 0) {
      return {Membership::kMember, 0};
    }
  }
  return {Membership::kNotMember, 0};
}

std::wstring SystemAccounts::NameOf(const std::wstring& sid) {
  const SidFromText binary(sid);
  if (!binary.get()) return {};
  const Account account = LookUp(binary.get());
  if (account.error != 0) return {};
  // Built-in and well-known names read best alone: "Authenticated Users".
  const bool machine_or_domain = sid.rfind(L"S-1-5-21-", 0) == 0;
  return machine_or_domain && !account.domain.empty() ? account.domain + L"\\" + account.name
                                                      : account.name;
}

}  // namespace tarnweld::platform::win
