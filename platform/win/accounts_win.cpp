#include <windows.h>
// These must come after windows.h.
#include <lm.h>
#include <sddl.h>

#include <array>
#include <vector>

#include "core/sids.h"
#include "platform/win/accounts_win.h"
#include "platform/win/file_security_win.h"
#include "platform/win/process_user_win.h"
#include "platform/win/scoped_handle.h"
#include "platform/win/system_library_win.h"

namespace tarnweld::platform::win {
namespace {

// The network management functions, from netapi32.dll in the system folder
// (or, from Windows 7 on, the DLLs it forwards them to): not imported, since
// a netapi32.dll beside the program would otherwise run before anything else.
struct NetApi {
  decltype(&::NetLocalGroupGetMembers) get_members = nullptr;
  decltype(&::NetUserGetLocalGroups) get_groups = nullptr;
  decltype(&::NetApiBufferFree) buffer_free = nullptr;
  DWORD error = 0;
};

// Loaded once, on the program's own thread, before any lookup runs away.
const NetApi& Net() {
  static const NetApi net = [] {
    NetApi loaded;
    constexpr auto kNet = L"netapi32.dll";
    loaded.get_members = SystemProcedure<decltype(loaded.get_members)>(
        kNet, {L"samcli.dll", L"netutils.dll"}, "NetLocalGroupGetMembers");
    loaded.get_groups = SystemProcedure<decltype(loaded.get_groups)>(
        kNet, {L"samcli.dll", L"netutils.dll"}, "NetUserGetLocalGroups");
    loaded.buffer_free = SystemProcedure<decltype(loaded.buffer_free)>(
        kNet, {L"samcli.dll", L"netutils.dll"}, "NetApiBufferFree");
    if (!(loaded.get_members && loaded.get_groups && loaded.buffer_free)) {
      loaded.error = ERROR_PROC_NOT_FOUND;
    }
    return loaded;
  }();
  return net;
}

// Frees what the network management functions allocate.
class NetBuffer {
 public:
  ~NetBuffer() {
    if (buffer_) Net().buffer_free(buffer_);
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

Account LookUpSid(PSID sid) {
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
  return LookUpSid(sid.data());
}

// A SID given as text, converted back for the calls that take one.
class SidFromText {
 public:
  explicit SidFromText(const std::wstring& text) {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidW(text.c_str(), &sid)) error_ = ::GetLastError();
    sid_.Reset(sid);
  }
  PSID get() const { return sid_.Get(); }
  DWORD error() const { return error_; }

 private:
  ScopedLocal sid_;
  DWORD error_ = 0;
};

// The account's name and, for a user, whether its groups put it in
// Administrators. A domain account's may wait out network time-outs.
AccountFound LookUpNow(const std::wstring& sid) {
  AccountFound found;
  const SidFromText binary(sid);
  if (!binary.get()) {
    found.error = binary.error();
    return found;
  }
  const Account account = LookUpSid(binary.get());
  if (account.error != 0) {
    found.error = account.error;
    return found;
  }
  // Built-in and well-known names read best alone: "Authenticated Users".
  const bool machine_or_domain = sid.rfind(sids::kMachineOrDomainAccounts, 0) == 0;
  found.name = machine_or_domain && !account.domain.empty() ? account.domain + L"\\" + account.name
                                                            : account.name;
  if (account.use != SidTypeUser) {
    found.membership = Membership::kNotMember;
    return found;
  }
  const Account group = AdministratorsGroup();
  if (group.error != 0 || Net().error != 0) {
    found.error = group.error != 0 ? group.error : Net().error;
    return found;
  }
  const std::wstring qualified =
      account.domain.empty() ? account.name : account.domain + L"\\" + account.name;
  NetBuffer buffer;
  DWORD read = 0, total = 0;
  const NET_API_STATUS status = Net().get_groups(nullptr, qualified.c_str(), 0, LG_INCLUDE_INDIRECT,
                                                 buffer.out(), MAX_PREFERRED_LENGTH, &read, &total);
  if (status != NERR_Success) {
    found.error = status;
    return found;
  }
  found.membership = Membership::kNotMember;
  const auto* groups = buffer.as<LOCALGROUP_USERS_INFO_0>();
  for (DWORD i = 0; groups && i < read; ++i) {
    if (::lstrcmpiW(groups[i].lgrui0_name, group.name.c_str()) == 0) {
      found.membership = Membership::kMember;
    }
  }
  return found;
}

// What the lookup's thread and its caller share; whichever lets go last
// frees it, so that a caller that stopped waiting never waits again.
struct SharedLookup {
  explicit SharedLookup(std::wstring text)
      : sid(std::move(text)), done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  void Release() {
    if (::InterlockedDecrement(&references) == 0) delete this;
  }
  LONG references = 2;
  const std::wstring sid;
  const ScopedEvent done;
  AccountFound found;
};

DWORD WINAPI LookUpAway(void* parameter) {
  auto* shared = static_cast<SharedLookup*>(parameter);
  shared->found = LookUpNow(shared->sid);
  ::SetEvent(shared->done.Get());
  shared->Release();
  return 0;
}

class ThreadLookup final : public AccountLookup {
 public:
  explicit ThreadLookup(SharedLookup* shared) : shared_(shared) {}
  ~ThreadLookup() override { shared_->Release(); }
  ThreadLookup(const ThreadLookup&) = delete;
  ThreadLookup& operator=(const ThreadLookup&) = delete;

  bool Wait(std::uint32_t milliseconds) override {
    return ::WaitForSingleObject(shared_->done.Get(), milliseconds) == WAIT_OBJECT_0;
  }
  AccountFound Answer() const override { return shared_->found; }

 private:
  SharedLookup* shared_;
};

// An answer known at once, when no thread could be had.
class Answered final : public AccountLookup {
 public:
  explicit Answered(AccountFound found) : found_(std::move(found)) {}
  bool Wait(std::uint32_t) override { return true; }
  AccountFound Answer() const override { return found_; }

 private:
  AccountFound found_;
};

}  // namespace

std::wstring SystemAccounts::CallerSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  const ScopedToken owned(token);
  DWORD error = 0;
  return TokenUserSid(token, &error);
}

bool SystemAccounts::CallerIsAdministrator() {
  std::array<BYTE, SECURITY_MAX_SID_SIZE> sid{};
  DWORD size = static_cast<DWORD>(sid.size());
  BOOL member = FALSE;
  // An elevated token has the group enabled; a filtered one only for deny.
  if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &size) &&
      ::CheckTokenMembership(nullptr, sid.data(), &member) && member) {
    return true;
  }
  return CallerSid() == sids::kLocalSystem;
}

SidList SystemAccounts::AdministratorsMembers() {
  SidList list;
  const Account group = AdministratorsGroup();
  if (group.error != 0 || Net().error != 0) {
    list.error = group.error != 0 ? group.error : Net().error;
    return list;
  }
  DWORD_PTR resume = 0;
  NET_API_STATUS status;
  do {
    NetBuffer buffer;
    DWORD read = 0, total = 0;
    status = Net().get_members(nullptr, group.name.c_str(), 0, buffer.out(), MAX_PREFERRED_LENGTH,
                               &read, &total, &resume);
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

std::unique_ptr<AccountLookup> SystemAccounts::LookUp(const std::wstring& sid) {
  Net();  // loaded here, never on a lookup's own thread
  auto* shared = new SharedLookup(sid);
  // Never joined: ending the process must not wait for a lookup.
  const ScopedThread thread(shared->done.IsValid()
                                ? ::CreateThread(nullptr, 0, &LookUpAway, shared, 0, nullptr)
                                : nullptr);
  if (!thread.IsValid()) {
    AccountFound failed;
    failed.error = ::GetLastError();
    delete shared;
    return std::make_unique<Answered>(std::move(failed));
  }
  return std::make_unique<ThreadLookup>(shared);
}

}  // namespace tarnweld::platform::win
