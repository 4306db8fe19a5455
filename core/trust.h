#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/accounts.h"
#include "platform/file_security.h"

// Whether only administrators can change a file: the rule that keeps a file
// any user could have replaced from running with the caller's rights.
namespace tarnweld::trust {

// File and folder rights as the system numbers them.
namespace rights {
constexpr std::uint32_t kWriteData = 0x0002;  // on a folder: add a file
constexpr std::uint32_t kAppendData = 0x0004;
constexpr std::uint32_t kDeleteChild = 0x0040;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
constexpr std::uint32_t kFileGenericWrite = 0x00120116;
constexpr std::uint32_t kFileGenericRead = 0x00120089;
constexpr std::uint32_t kFileGenericExecute = 0x001200A0;
}  // namespace rights

// Generic rights (and MAXIMUM_ALLOWED) replaced by the file rights they grant.
std::uint32_t MapGenericRights(std::uint32_t mask);

// Where an object stands on the way to the file that would be used.
enum class Role {
  kFile,    // the uninstaller or the log itself
  kFolder,  // the folder that holds it
  kAbove,   // any folder above that, up to the drive's root
};

// One way someone other than a trusted principal could change what is used.
struct Finding {
  std::wstring object;  // "uninstaller", "uninstaller folder", "folder above the uninstaller"
  std::wstring path;
  std::wstring principal;  // the account's name; empty when unknown or none is involved
  std::wstring sid;        // empty when no account is involved
  std::wstring rights;     // "may add files, delete", or what else is wrong
  Role role = Role::kFile;
  // Whether new permissions on the folder would mend it; not for a link, a
  // drive or a security that cannot be read.
  bool permissions = false;
};

// "uninstaller folder [C:\OLDAPP]: Authenticated Users (S-1-5-11) may add files, delete"
std::wstring Describe(const Finding& finding);

struct Standing {
  bool trusted = false;
  std::uint32_t unresolved_error = 0;  // not 0: membership could not be resolved
};

// Who counts as trusted: LocalSystem, Administrators, TrustedInstaller, Power
// Users, the account this program runs as, and every account or group that
// belongs to the local Administrators group. The account database is asked
// once per run for the members, and once per account for indirect ones.
class Principals {
 public:
  explicit Principals(platform::Accounts& accounts) : accounts_(accounts) {}
  Standing Of(const std::wstring& sid);
  std::wstring NameOf(const std::wstring& sid);

 private:
  platform::Accounts& accounts_;
  std::optional<std::wstring> caller_;
  std::optional<platform::SidList> members_;
  // A few accounts a run: kept in order met, looked up one by one.
  std::vector<std::pair<std::wstring, Standing>> accounts_judged_;
  std::vector<std::pair<std::wstring, std::wstring>> names_;
};

// What in one object's owner and access list lets someone untrusted change
// it. Allow entries count, inherit-only ones do not; deny entries are not
// subtracted, so this can refuse more, never less.
std::vector<Finding> Judge(const platform::SecurityRead& security, Role role,
                           Principals& principals, const std::wstring& object,
                           const std::wstring& path);

// What was found about one file and the folders on its way.
struct TrustCheck {
  std::vector<Finding> findings;
  bool trusted() const { return findings.empty(); }
};

// Judges a file that exists, and every folder from it up to its drive's root,
// as the system resolves the path. Network paths and drives other than fixed
// local disks are not trusted at all.
class TrustJudge {
 public:
  TrustJudge(platform::FileSecurity& security, platform::Accounts& accounts)
      : security_(security), principals_(accounts) {}
  // `what`: "uninstaller" or "log", for the findings' words.
  TrustCheck Check(const std::wstring& path, const std::wstring& what);

 private:
  platform::FileSecurity& security_;
  Principals principals_;
};

}  // namespace tarnweld::trust
