#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnweld::platform {

struct SidList {
  std::uint32_t error = 0;  // not 0: the list could not be read
  std::vector<std::wstring> sids;
};

enum class Membership { kMember, kNotMember, kUnknown };

struct MembershipFound {
  Membership membership = Membership::kUnknown;
  std::uint32_t error = 0;  // why it is unknown
};

// The local account database, read only. SIDs are in their text form.
class Accounts {
 public:
  virtual ~Accounts() = default;

  // The user this process runs as, from its token; empty when unknown.
  virtual std::wstring CallerSid() = 0;
  // The direct members of the local Administrators group (S-1-5-32-544),
  // found by its SID, whatever the group is called on this system.
  virtual SidList AdministratorsMembers() = 0;
  // Whether the user account `sid` belongs to Administrators through its
  // groups (a domain user in Domain Admins, say). Groups are kNotMember.
  virtual MembershipFound AdministratorThroughGroups(const std::wstring& sid) = 0;
  // "Authenticated Users", "OLDPC\bob"; empty when the SID names no account.
  virtual std::wstring NameOf(const std::wstring& sid) = 0;
};

}  // namespace tarnweld::platform
