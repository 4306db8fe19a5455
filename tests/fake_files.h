#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/accounts.h"
#include "platform/clock.h"
#include "platform/file_digest.h"
#include "platform/file_security.h"
#include "platform/files.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

// Security owned by `owner` with these allow entries (not inherit-only).
platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed);

// Files and folders: which exist, what kind each is, and who may change it.
class FakeFiles : public platform::FileSearch,
                  public platform::FileSecurity,
                  public platform::FileDigest {
 public:
  explicit FakeFiles(Recorder& record) : record_(record) {}

  std::set<std::wstring> normal_files;
  std::map<std::wstring, platform::FileKind> other_files;  // folders, devices, ...
  // Every file and folder's security, unless given here: owned by
  // Administrators, who alone may change it.
  std::map<std::wstring, platform::SecurityRead> security;
  std::set<std::wstring> missing_folders;              // every other folder exists
  std::map<std::wstring, platform::DriveKind> drives;  // fixed unless given
  std::vector<std::wstring> searched_paths;
  std::vector<std::wstring> security_reads;
  int drives_asked = 0;
  // What is inside folders, and inside files read whole; nothing unless given.
  std::map<std::wstring, std::vector<platform::Subfolder>> subfolders;
  std::map<std::wstring, std::string> contents;
  std::uint32_t read_error = 0;  // reading any file whole fails so
  std::uint32_t read_ms = 0;     // what each security read takes on the clock
  std::vector<std::wstring> listed;
  // Each normal file's SHA-256 unless given here: one made from its path.
  std::map<std::wstring, std::wstring> digests;
  std::vector<std::wstring> digested;

  platform::FileFound Find(const std::wstring& path) override;
  platform::Subfolders FoldersIn(const std::wstring& folder) override;
  platform::FileRead ReadWhole(const std::wstring& path, std::size_t most_bytes) override;
  std::wstring FullPath(const std::wstring& path) override { return path; }
  platform::DriveKind DriveOf(const std::wstring& root) override;
  platform::SecurityRead Read(const std::wstring& path) override;
  std::wstring Sha256(const std::wstring& path) override;

 private:
  Recorder& record_;
};

// Whether an account belongs to Administrators through its groups.
struct MembershipFound {
  platform::Membership membership = platform::Membership::kNotMember;
  std::uint32_t error = 0;
};

// How the account database answers for one SID, and when.
struct FakeAnswer {
  platform::AccountFound found;
  std::optional<std::uint32_t> after_ms = 0;  // none: never
};

// The accounts: the caller, the Administrators group's members, and what a
// lookup answers for each SID: its name, and whether it belongs to
// Administrators through other groups. Lookups run while the clock moves.
class FakeAccounts : public platform::Accounts {
 public:
  explicit FakeAccounts(Recorder& record) : record_(record) {}

  std::wstring caller_sid = L"S-1-5-21-7-7-7-1000";
  bool caller_is_administrator = true;
  platform::SidList administrators{0, {L"S-1-5-21-7-7-7-500"}};
  std::map<std::wstring, MembershipFound> indirect_members;  // kNotMember unless given
  std::map<std::wstring, std::wstring> account_names;
  std::map<std::wstring, FakeAnswer> answers;  // else from the two maps above, at once
  int member_listings = 0;
  std::vector<std::wstring> looked_up;

  std::wstring CallerSid() override { return caller_sid; }
  bool CallerIsAdministrator() override { return caller_is_administrator; }
  platform::SidList AdministratorsMembers() override;
  std::unique_ptr<platform::AccountLookup> LookUp(const std::wstring& sid) override;

 private:
  Recorder& record_;
};

}  // namespace tarnweld::fake
