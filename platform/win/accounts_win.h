#pragma once

#include <string>

#include "platform/accounts.h"

namespace tarnweld::platform::win {

class SystemAccounts final : public Accounts {
 public:
  std::wstring CallerSid() override;
  SidList AdministratorsMembers() override;
  MembershipFound AdministratorThroughGroups(const std::wstring& sid) override;
  std::wstring NameOf(const std::wstring& sid) override;
};

}  // namespace tarnweld::platform::win
