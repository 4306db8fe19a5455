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

// Names compared as Windows compares them: without regard to letter case.
struct NoCase {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};
template <typename T>
using ByPath = std::map<std::wstring, T, NoCase>;
using Paths = std::set<std::wstring, NoCase>;

// What a normal file whose contents no test gave holds: one line of a log
// that orders nothing.
inline constexpr char kSomeLog[] = "Title: Old App\r\n";

// What a security read answers for a path nobody declared: an error, so
// that judging the wrong path cannot pass as trusted.
constexpr std::uint32_t kUnknownToTheFake = 1117;

// Files and folders: which exist, what kind each is, and who may change it.
// Every path asked about is first resolved as Windows resolves it ("/", "."
// and "..", dots and spaces that end a name), then looked up whatever its
// letter case.
class FakeFiles : public platform::FileSearch,
                  public platform::FileSecurity,
                  public platform::FileDigest {
 public:
  explicit FakeFiles(Recorder& record) : record_(record) {}

  Paths normal_files;
  ByPath<platform::FileKind> other_files;  // folders, devices, ...
  // The folders that exist: these, and every folder on the way to a path
  // declared here or above. Administrators alone may change each unless
  // `security` says otherwise; any other path is missing, when listed in
  // `missing_folders`, or an error.
  Paths folders{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS\\SystemTemp", L"C:\\WINDOWS\\Temp",
                L"C:\\Users\\Admin\\AppData\\Local\\Temp"};
  ByPath<platform::SecurityRead> security;
  Paths missing_folders;
  ByPath<platform::DriveKind> drives;  // fixed unless given
  std::vector<std::wstring> searched_paths;
  std::vector<std::wstring> security_reads;
  int drives_asked = 0;
  // What is inside folders, and inside files read whole; nothing unless
  // given, kSomeLog for a normal file.
  ByPath<std::vector<platform::Subfolder>> subfolders;
  ByPath<std::string> contents;
  std::uint32_t read_error = 0;  // reading any file whole fails so
  std::uint32_t read_ms = 0;     // what each security read takes on the clock
  std::vector<std::wstring> listed;
  // Each normal file's SHA-256 unless given here: one made from its path.
  ByPath<std::wstring> digests;
  std::vector<std::wstring> digested;

  platform::FileFound Find(const std::wstring& path) override;
  platform::Subfolders FoldersIn(const std::wstring& folder) override;
  platform::FileRead ReadWhole(const std::wstring& path, std::size_t most_bytes) override;
  std::wstring FullPath(const std::wstring& path) override;
  platform::DriveKind DriveOf(const std::wstring& root) override;
  platform::SecurityRead Read(const std::wstring& path) override;
  std::wstring Sha256(const std::wstring& path) override;

 private:
  bool Exists(const std::wstring& path) const;
  Recorder& record_;
  // The paths the listings name, made again when they change.
  mutable Paths listed_paths_;
  mutable std::size_t listed_count_ = 0;
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
