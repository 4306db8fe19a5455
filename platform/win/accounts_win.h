#pragma once

#include <memory>
#include <string>

#include "platform/accounts.h"

namespace tarnweld::platform::win {

// The local account database; each lookup on a thread of its own.
class SystemAccounts final : public Accounts {
 public:
  std::wstring CallerSid() override;
  bool CallerIsAdministrator() override;
  SidList AdministratorsMembers() override;
  std::unique_ptr<AccountLookup> LookUp(const std::wstring& sid) override;
};

}  // namespace tarnweld::platform::win
