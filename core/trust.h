#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/win_path.h"
#include "platform/platform.h"

// Whether only administrators can change what the uninstaller is given: the
// rule that keeps anything a standard user controls from running with the
// caller's rights.
namespace tarnweld::trust {

// Rights as the system numbers them, for files and folders, and for keys.
namespace rights {
constexpr std::uint32_t kWriteData = 0x0002;   // on a folder: add a file
constexpr std::uint32_t kAppendData = 0x0004;  // on a folder: add a subfolder
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
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr std::uint32_t kKeyCreateLink = 0x0020;
constexpr std::uint32_t kKeyAllAccess = 0x000F003F;
constexpr std::uint32_t kKeyRead = 0x00020019;  // KEY_EXECUTE is the same
constexpr std::uint32_t kKeyWrite = 0x00020006;
}  // namespace rights

enum class ObjectType { kFile, kKey };

// Generic rights (and MAXIMUM_ALLOWED) replaced by the rights they grant on
// a file or folder, or on a key.
std::uint32_t MapGenericRights(std::uint32_t mask, ObjectType type = ObjectType::kFile);

// What an object is to what is used, which says which rights let someone
// replace it.
enum class Role {
  kFile,           // a file that is used: the uninstaller, the log
  kFolder,         // the folder that holds the log
  kProgramFolder,  // a folder a program runs from, where a new subfolder counts too
  kAbove,          // any folder above those, up to the drive's root
  kEntryKey,       // the uninstall entry's key
  kUninstallKey,   // the key that holds every entry
  kOrderKey,       // a key the uninstaller deletes or writes an old value back to
  // The nearest existing folder above a missing file or folder that is used:
  // whoever may add it there decides what it is.
  kNearestForFile,
  kNearestForFolder,
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
  bool owner = false;  // the object's owner is not trusted
  std::uint32_t mask = 0;  // the rights that let `sid` change it; 0 for what else is wrong
};

// "uninstaller folder [C:\OLDAPP]: Authenticated Users (S-1-5-11) may add files, delete"
std::wstring Describe(const Finding& finding);

// Bounds on one entry's judgement: each account lookup may wait out network
// time-outs, and the access lists are written by whoever owns the objects.
inline constexpr std::size_t kMostLookupsPerEntry = 8;
inline constexpr std::uint32_t kLookupDeadlineMs = 15'000;

struct Standing {
  enum class Kind {
    kTrusted,
    kUntrusted,
    kNobody,  // stands for no one on this system: its entries grant nothing
  };
  Kind kind = Kind::kUntrusted;
  std::wstring unresolved;  // why membership could not be resolved; empty when it was

  bool trusted() const { return kind == Kind::kTrusted; }
  // Whether what it may do counts against what is used.
  bool counts() const { return kind == Kind::kUntrusted; }
};

// Who counts as trusted: LocalSystem, Administrators, TrustedInstaller,
// Power Users on Windows XP and Server 2003, the account this program runs
// as, and every account or group that belongs to the local Administrators
// group. Everything but account lookups is decided at once; lookups run away
// from the caller, at most eight for one entry and for 15 s from its start,
// and what they do not answer in time counts as untrusted. Answers are kept
// for the whole run.
class Principals {
 public:
  Principals(platform::Accounts& accounts, platform::SystemInfo& system, platform::Clock& clock)
      : accounts_(accounts),
        system_(system),
        clock_(clock),
        entry_start_(clock.TickMilliseconds()) {}

  // A new entry's judgement: its own lookups and its own deadline.
  void BeginEntry();
  // Starts, all at once, the lookups the standing of `sids` will need.
  void Prefetch(const std::vector<std::wstring>& sids);
  Standing Of(const std::wstring& sid);
  // Empty when the SID names no account, or no answer came in time.
  std::wstring NameOf(const std::wstring& sid);
  // "Administrators (S-1-5-32-544)", or the SID alone where it has no name.
  std::wstring Named(const std::wstring& sid);
  const std::wstring& CallerSid();
  bool CallerIsAdministrator();
  unsigned MajorVersion();

 private:
  struct Lookup {
    std::unique_ptr<platform::AccountLookup> running;
    std::optional<platform::AccountFound> answer;
  };
  // The standing decided without the account database's answer, if it can be.
  std::optional<Standing> Decided(const std::wstring& sid);
  // Counts `sid` against this entry's lookups; false when none is left.
  bool Count(const std::wstring& sid);
  Lookup& Started(const std::wstring& sid);
  // The answer, waiting for it no longer than this entry's deadline.
  const platform::AccountFound* Await(Lookup& lookup);

  platform::Accounts& accounts_;
  platform::SystemInfo& system_;
  platform::Clock& clock_;
  std::optional<std::wstring> caller_;
  std::optional<bool> caller_is_administrator_;
  std::optional<platform::SidList> members_;
  std::optional<unsigned> major_version_;
  std::optional<bool> terminal_server_users_;
  std::map<std::wstring, Lookup> lookups_;
  std::set<std::wstring> counted_;  // this entry's accounts whose standing needed a lookup
  std::uint32_t entry_start_;
};

// Whether a judgement goes on past the first thing it finds: Tarnweld.exe
// needs one reason to refuse, TarnweldCheck.exe lists them all.
enum class Judging { kUntilFirstFinding, kEveryFinding };

// What in one object's owner and access list lets someone untrusted change
// it. Allow entries count, inherit-only ones do not; deny entries are not
// subtracted, so this can refuse more, never less.
std::vector<Finding> Judge(const platform::SecurityRead& security, Role role,
                           Principals& principals, const std::wstring& object,
                           const std::wstring& path, Judging judging = Judging::kEveryFinding);

// What was found about the objects on the way to one file or folder.
struct TrustCheck {
  std::vector<Finding> findings;
  bool trusted() const { return findings.empty(); }
};

// How a walk to one path ended.
struct Walk {
  TrustCheck check;  // from the drive's root down
  // Something above the last object was found wanting (the drive, the path,
  // a folder on the way): what is below it was not relied on.
  bool refused_on_the_way = false;
  bool missing = false;     // a folder on the way, or the object itself, is not there
  std::uint32_t error = 0;  // why it is missing
  std::optional<platform::FileKind> found;  // the file search's answer, when one was made
};

// What the findings call the objects on the way: "uninstaller", "uninstaller
// folder", "folder above the uninstaller".
struct ObjectNames {
  std::wstring file, folder, above;
};
ObjectNames NamesFor(const std::wstring& what);

// A key a log names, as its security is remembered: by its root, and its
// path without regard to the case of a to z.
class KeyName {
 public:
  KeyName(platform::RegistryRoot root, std::wstring_view path);
  friend bool operator<(const KeyName& a, const KeyName& b) {
    return a.root_ != b.root_ ? a.root_ < b.root_ : a.upper_path_ < b.upper_path_;
  }

 private:
  platform::RegistryRoot root_;
  std::wstring upper_path_;
};

// Judges paths from the drive down, one object at a time: a path that is not
// on a drive, or a drive that is not a fixed local disk, is refused before
// any file is touched; a link ends the walk (its target is never read); so
// does, until the first finding, anything found wanting.
class TrustJudge {
 public:
  TrustJudge(const platform::Sources& sources, Judging judging)
      : security_(sources.security),
        files_(sources.files),
        principals_(sources.accounts, sources.system, sources.clock),
        judging_(judging) {}

  // A new entry: see Principals::BeginEntry.
  void BeginEntry() { principals_.BeginEntry(); }

  // The file at `path`: the folders from its drive's root down, the one
  // that holds it in `folder_role`; then, if they allow, the search for the
  // file; then, if it is a normal file, the file itself.
  Walk CheckFile(const WinPath& path, const ObjectNames& names, Role folder_role);
  // The folder at `path`, in `role`, and every folder above it.
  Walk CheckFolder(const WinPath& path, const ObjectNames& names, Role role);
  // A key's security, read elsewhere.
  std::vector<Finding> CheckKey(const platform::SecurityRead& security, Role role,
                                const std::wstring& object, const std::wstring& path);

  // The security of `path`, read from the system once for each path in
  // this judge's life (a run), then remembered: an inventory meets C:\ and
  // C:\APPS for every installation.
  const platform::SecurityRead& Read(const WinPath& path);
  // The same for the Uninstall key of a registry view, and for a key a log
  // names, each read by `read_it` the first time.
  template <typename ReadIt>
  const platform::SecurityRead& UninstallKey(platform::RegistryView view, ReadIt&& read_it) {
    return Remember(&uninstall_keys_, view, read_it);
  }
  template <typename ReadIt>
  const platform::SecurityRead& OrderKey(const KeyName& key, ReadIt&& read_it) {
    return Remember(&order_keys_, key, read_it);
  }

  // The SIDs of untrusted principals with an allow entry written on the
  // folder itself rather than inherited, inherit-only ones included: what
  // replacing its inherited entries would leave. In the order met.
  std::vector<std::wstring> UntrustedExplicitSids(const WinPath& folder);

  Principals& principals() { return principals_; }
  Judging judging() const { return judging_; }

 private:
  struct Step {
    WinPath path;
    Role role;
    const std::wstring* object;
  };
  template <typename Key, typename ReadIt>
  static const platform::SecurityRead& Remember(std::map<Key, platform::SecurityRead>* cache,
                                                const Key& key, ReadIt&& read_it) {
    const auto known = cache->find(key);
    if (known != cache->end()) return known->second;
    return cache->emplace(key, read_it()).first->second;
  }
  // The path resolved and on a fixed local disk, or the reason it is not.
  std::optional<WinPath> OnLocalDisk(const WinPath& path, const ObjectNames& names, Walk* walk);
  // Judges each step in turn; false when the walk may not go below them.
  bool Down(const std::vector<Step>& steps, Walk* walk);
  std::vector<Step> Folders(const WinPath& full, const ObjectNames& names, Role last_role);

  platform::FileSecurity& security_;
  platform::FileSearch& files_;
  Principals principals_;
  Judging judging_;
  std::map<WinPath, platform::SecurityRead> files_read_;
  std::map<platform::RegistryView, platform::SecurityRead> uninstall_keys_;
  std::map<KeyName, platform::SecurityRead> order_keys_;
  std::map<WinPath, platform::DriveKind> drives_;  // by root, for the run
};

}  // namespace tarnweld::trust
