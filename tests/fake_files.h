#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/accounts.h"
#include "platform/file_security.h"
#include "platform/files.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

// Security owned by `owner` with these allow entries (not inherit-only).
platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed);

// Files and folders: which exist, what kind each is, and who may change it.
class FakeFiles : public platform::FileSearch, public platform::FileSecurity {
 public:
  explicit FakeFiles(Recorder& record) : record_(record) {}

  std::set<std::wstring> normal_files;
  std::map<std::wstring, platform::FileKind> other_files;  // folders, devices, ...
  // Every file and folder's security, unless given here: owned by
  // Administrators, who alone may change it.
  std::map<std::wstring, platform::SecurityRead> security;
  std::map<std::wstring, platform::DriveKind> drives;  // fixed unless given
  std::vector<std::wstring> searched_paths;
  std::vector<std::wstring> security_reads;

  platform::FileFound Find(const std::wstring& path) override;
  std::wstring FullPath(const std::wstring& path) override { return path; }
  platform::DriveKind DriveOf(const std::wstring& root) override;
  platform::SecurityRead Read(const std::wstring& path) override;

 private:
  Recorder& record_;
};

// The accounts: the caller, the Administrators group's members, and who
// belongs to it through other groups.
class FakeAccounts : public platform::Accounts {
 public:
  std::wstring caller_sid = L"S-1-5-21-7-7-7-1000";
  platform::SidList administrators{0, {L"S-1-5-21-7-7-7-500"}};
  std::map<std::wstring, platform::MembershipFound> indirect_members;  // kNotMember unless given
  std::map<std::wstring, std::wstring> account_names;
  int member_listings = 0;

  std::wstring CallerSid() override { return caller_sid; }
  platform::SidList AdministratorsMembers() override;
  platform::MembershipFound AdministratorThroughGroups(const std::wstring& sid) override;
  std::wstring NameOf(const std::wstring& sid) override;
};

}  // namespace tarnweld::fake
