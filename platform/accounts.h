#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnweld::platform {

struct SidList {
  std::uint32_t error = 0;  // not 0: the list could not be read
  std::vector<std::wstring> sids;
};

enum class Membership { kMember, kNotMember, kUnknown };

// What the account database says of one SID.
struct AccountFound {
  std::uint32_t error = 0;                       // not 0: membership is unknown, for this reason
  Membership membership = Membership::kUnknown;  // in Administrators through its groups
  std::wstring name;  // "Authenticated Users", "OLDPC\bob"; empty when it names no account
};

// One lookup, running away from the caller: a domain account's may wait out
// network time-outs. Destroying it abandons the answer, never the process's
// end.
class AccountLookup {
 public:
  virtual ~AccountLookup() = default;
  // Waits up to `milliseconds` for the answer; true once it is there.
  virtual bool Wait(std::uint32_t milliseconds) = 0;
  // The answer; only once Wait returned true.
  virtual AccountFound Answer() const = 0;
};

// The local account database, read only. SIDs are in their text form.
class Accounts {
 public:
  virtual ~Accounts() = default;

  // The user this process runs as, from its token; empty when unknown.
  virtual std::wstring CallerSid() = 0;
  // Whether this process runs as SYSTEM or with the Administrators group
  // enabled in its token (elevated, under UAC).
  virtual bool CallerIsAdministrator() = 0;
  // The direct members of the local Administrators group (S-1-5-32-544),
  // found by its SID, whatever the group is called on this system. Local:
  // asks no domain controller.
  virtual SidList AdministratorsMembers() = 0;
  // Starts finding out the name of `sid` and, for a user account, whether
  // it belongs to Administrators through its groups (a domain user in
  // Domain Admins, say). Groups are kNotMember.
  virtual std::unique_ptr<AccountLookup> LookUp(const std::wstring& sid) = 0;
};

}  // namespace tarnweld::platform
