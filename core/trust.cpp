#include "core/trust.h"

#include <algorithm>
#include <string_view>

#include "core/sids.h"
#include "core/text.h"

namespace tarnweld::trust {
namespace {

using sids::kAdministrators;
using sids::kCreatorOwner;
using sids::kLocalSystem;
using sids::kOwnerRights;
using sids::kPowerUsers;
using sids::kTerminalServerUser;
using sids::kTrustedInstaller;

// Windows XP and Server 2003.
constexpr unsigned kWindowsXpMajor = 5;

// Accounts of a machine or a domain (S-1-5-21-...) and of Azure AD
// (S-1-12-1-...); every other SID is a well-known group or service, whose
// membership the account database does not hold.
bool IsAccountSid(std::wstring_view sid) {
  for (const std::wstring_view authority : {sids::kMachineOrDomainAccounts, sids::kAzureAdAccounts}) {
    if (sid.substr(0, authority.size()) == authority) return true;
  }
  return false;
}

bool IsKey(Role role) {
  return role == Role::kEntryKey || role == Role::kUninstallKey || role == Role::kOrderKey;
}

// The rights that let someone replace what is used, for each role. A new
// file or folder beside a folder above does not replace the path; deleting
// or renaming one of its folders does. A new subfolder beside a program
// redirects its DLLs (PROGRAM.EXE.local).
std::uint32_t ReplacingRights(Role role) {
  using namespace rights;
  constexpr std::uint32_t kOwnership = kDelete | kWriteDac | kWriteOwner;
  switch (role) {
    case Role::kFile:
      return kWriteData | kAppendData | kOwnership;
    case Role::kFolder:
      return kWriteData | kDeleteChild | kOwnership;
    case Role::kProgramFolder:
      return kWriteData | kAppendData | kDeleteChild | kOwnership;
    case Role::kAbove:
      return kDeleteChild | kOwnership;
    case Role::kEntryKey:
      return kKeySetValue | kKeyCreateSubKey | kOwnership;
    case Role::kUninstallKey:
      return kWriteDac | kWriteOwner;
    case Role::kOrderKey:
      return kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kOwnership;
    case Role::kNearestForFile:
      return kWriteData | kOwnership;
    case Role::kNearestForFolder:
      return kAppendData | kOwnership;
  }
  return 0;
}

std::wstring RightsWords(std::uint32_t mask, Role role) {
  using namespace rights;
  struct Word {
    std::uint32_t right;
    const wchar_t* word;
  };
  const bool key = IsKey(role);
  const bool file = role == Role::kFile;
  const Word words[] = {{kWriteData, key    ? L"set values"
                                     : file ? L"write"
                                            : L"add files"},
                        {kAppendData, key    ? L"create subkeys"
                                      : file ? L"append"
                                             : L"add subfolders"},
                        {kKeyCreateLink, key ? L"create links" : nullptr},
                        {kDeleteChild, key ? nullptr : L"delete what it holds"},
                        {kDelete, L"delete"},
                        {kWriteDac, L"change permissions"},
                        {kWriteOwner, L"take ownership"}};
  std::wstring text = L"may";
  const wchar_t* separator = L" ";
  for (const Word& word : words) {
    if ((mask & word.right) == 0 || !word.word) continue;
    text += separator;
    text += word.word;
    separator = L", ";
  }
  return text;
}

std::wstring UnresolvedNote(const std::wstring& why) {
  return why.empty()
             ? L""
             : L" (whether it belongs to Administrators could not be resolved: " + why + L")";
}

const wchar_t* DriveWords(platform::DriveKind kind) {
  switch (kind) {
    case platform::DriveKind::kFixed:
      break;
    case platform::DriveKind::kRemovable:
      return L"is on a removable drive, not a fixed local disk";
    case platform::DriveKind::kRemote:
      return L"is on a network drive, not a fixed local disk";
    case platform::DriveKind::kCdRom:
      return L"is on a CD or DVD drive, not a fixed local disk";
    case platform::DriveKind::kRamDisk:
      return L"is on a RAM disk, not a fixed local disk";
    case platform::DriveKind::kMissing:
      return L"is on a drive that does not exist, whose letter a removable disk could take";
    case platform::DriveKind::kUnknown:
      return L"is on a drive of unknown kind, not a fixed local disk";
  }
  return L"";
}

// Windows reads a path whose last name ends in a space or a dot as if the
// name had none, another object; a backslash after the name keeps it whole.
std::wstring AsNamed(const WinPath& path) {
  const std::wstring folder = path.FolderText();
  const bool trimmed = !path.IsRoot() && (folder.back() == L' ' || folder.back() == L'.');
  return trimmed ? folder + L"\\" : path.Text();
}

Standing Trusted() { return {Standing::Kind::kTrusted, {}}; }
Standing Untrusted(std::wstring why = {}) { return {Standing::Kind::kUntrusted, std::move(why)}; }

}  // namespace

std::uint32_t MapGenericRights(std::uint32_t mask, ObjectType type) {
  using namespace rights;
  const bool key = type == ObjectType::kKey;
  if (mask & (kGenericAll | kMaximumAllowed)) mask |= key ? kKeyAllAccess : kFileAllAccess;
  if (mask & kGenericWrite) mask |= key ? kKeyWrite : kFileGenericWrite;
  if (mask & kGenericRead) mask |= key ? kKeyRead : kFileGenericRead;
  if (mask & kGenericExecute) mask |= key ? kKeyRead : kFileGenericExecute;
  return mask;
}

std::wstring Describe(const Finding& finding) {
  std::wstring line = finding.object + L" [" + finding.path + L"]: ";
  if (!finding.principal.empty()) line += finding.principal + L" ";
  if (!finding.sid.empty()) {
    line += finding.principal.empty() ? finding.sid + L" " : L"(" + finding.sid + L") ";
  }
  return line + finding.rights;
}

void Principals::BeginEntry() {
  counted_.clear();
  entry_start_ = clock_.TickMilliseconds();
}

const std::wstring& Principals::CallerSid() {
  if (!caller_) caller_ = accounts_.CallerSid();
  return *caller_;
}

bool Principals::CallerIsAdministrator() {
  if (!caller_is_administrator_) caller_is_administrator_ = accounts_.CallerIsAdministrator();
  return *caller_is_administrator_;
}

unsigned Principals::MajorVersion() {
  if (!major_version_) major_version_ = system_.MajorVersion();
  return *major_version_;
}

std::optional<Standing> Principals::Decided(const std::wstring& sid) {
  for (const wchar_t* trusted : {kLocalSystem, kAdministrators, kTrustedInstaller}) {
    if (sid == trusted) return Trusted();
  }
  // Power Users could install software only on XP and Server 2003.
  if (sid == kPowerUsers) return MajorVersion() == kWindowsXpMajor ? Trusted() : Untrusted();
  // In the default access lists of XP and 2003, HKLM\SOFTWARE included, but
  // only tokens on a terminal server in relaxed mode carry it.
  if (sid == kTerminalServerUser) {
    if (!terminal_server_users_) terminal_server_users_ = system_.TerminalServerUsersEnabled();
    return *terminal_server_users_ ? Untrusted() : Standing{Standing::Kind::kNobody, {}};
  }
  if (!CallerSid().empty() && sid == CallerSid()) return Trusted();
  if (!IsAccountSid(sid)) return Untrusted();
  if (!members_) members_ = accounts_.AdministratorsMembers();
  if (members_->error != 0) {
    return Untrusted(L"the Administrators group's members cannot be listed, error " +
                     text::Decimal(members_->error));
  }
  const auto& members = members_->sids;
  if (std::find(members.begin(), members.end(), sid) != members.end()) {
    return Trusted();
  }
  return std::nullopt;
}

bool Principals::Count(const std::wstring& sid) {
  if (counted_.count(sid) != 0) return true;
  if (counted_.size() >= kMostLookupsPerEntry) return false;
  counted_.insert(sid);
  return true;
}

Principals::Lookup& Principals::Started(const std::wstring& sid) {
  Lookup& lookup = lookups_[sid];
  if (!lookup.running && !lookup.answer) lookup.running = accounts_.LookUp(sid);
  return lookup;
}

const platform::AccountFound* Principals::Await(Lookup& lookup) {
  if (lookup.answer) return &*lookup.answer;
  if (!lookup.running) return nullptr;
  const std::uint32_t elapsed = platform::ElapsedSince(clock_, entry_start_);
  if (elapsed >= kLookupDeadlineMs || !lookup.running->Wait(kLookupDeadlineMs - elapsed)) {
    return nullptr;  // a later answer is kept for a later entry
  }
  lookup.answer = lookup.running->Answer();
  lookup.running.reset();
  return &*lookup.answer;
}

void Principals::Prefetch(const std::vector<std::wstring>& sids) {
  for (const std::wstring& sid : sids) {
    if (!Decided(sid) && Count(sid)) Started(sid);
  }
}

Standing Principals::Of(const std::wstring& sid) {
  if (const std::optional<Standing> decided = Decided(sid)) return *decided;
  if (!Count(sid)) {
    return Untrusted(L"more than " + text::Decimal(kMostLookupsPerEntry) +
                     L" accounts to look up for one entry");
  }
  const platform::AccountFound* found = Await(Started(sid));
  if (!found) {
    return Untrusted(L"no answer within " + text::Decimal(kLookupDeadlineMs / 1000) + L" s");
  }
  if (found->membership == platform::Membership::kMember) return Trusted();
  if (found->membership == platform::Membership::kUnknown) {
    return Untrusted(L"error " + text::Decimal(found->error));
  }
  return Untrusted();
}

std::wstring Principals::NameOf(const std::wstring& sid) {
  // An account past this entry's lookups stays a SID.
  if (IsAccountSid(sid) && lookups_.count(sid) == 0 && !Count(sid)) return {};
  const platform::AccountFound* found = Await(Started(sid));
  return found ? found->name : L"";
}

std::wstring Principals::Named(const std::wstring& sid) {
  const std::wstring name = NameOf(sid);
  return name.empty() ? sid : name + L" (" + sid + L")";
}

std::vector<Finding> Judge(const platform::SecurityRead& security, Role role,
                           Principals& principals, const std::wstring& object,
                           const std::wstring& path, Judging judging) {
  std::vector<Finding> findings;
  const bool first_only = judging == Judging::kUntilFirstFinding;
  const auto add = [&](const std::wstring& sid, const std::wstring& rights, bool permissions = true,
                       bool owner = false, std::uint32_t mask = 0) {
    findings.push_back({object, path, sid.empty() ? L"" : principals.NameOf(sid), sid, rights, role,
                        permissions, owner, mask});
    return first_only;
  };
  if (security.error != 0) {
    add({}, L"its security cannot be read (error " + text::Decimal(security.error) + L")", false);
    return findings;
  }
  // A file link's own security is never read; a registry link's is, and it
  // is judged too.
  if (security.link) {
    const bool key = IsKey(role);
    if (add({},
            key ? L"is a registry link, whose target is not judged"
                : L"is a junction or symbolic link, whose target is not judged",
            false) ||
        !key) {
      return findings;
    }
  }
  if (!security.has_access_list) {
    add({}, L"has no access list, so anyone may change it");
    return findings;
  }
  // OWNER RIGHTS limits the owner from Vista on; on XP and 2003 it stands
  // for no one, and the owner keeps full power over the access list.
  const bool owner_rights_count = principals.MajorVersion() > kWindowsXpMajor;
  const ObjectType type = IsKey(role) ? ObjectType::kKey : ObjectType::kFile;
  // What each entry grants, in the order met: the rights each principal is
  // allowed, and entries the rule cannot read.
  struct Granted {
    std::wstring sid;
    std::uint32_t mask = 0;
    std::wstring unread_type;  // not empty: an entry of this kind, not read
  };
  std::vector<Granted> granted;
  std::vector<std::wstring> to_look_up{security.owner};
  bool owner_rights_entry = false;
  for (const platform::AccessEntry& entry : security.entries) {
    if (entry.inherit_only) continue;
    if (entry.kind == platform::EntryKind::kAllowUnread) {
      granted.push_back({entry.sid, 0, entry.type});
      continue;
    }
    if (entry.kind != platform::EntryKind::kAllow) continue;
    std::wstring sid = entry.sid;
    if (sid == kOwnerRights) {
      if (!owner_rights_count) continue;
      owner_rights_entry = true;
    }
    if (sid == kOwnerRights || sid == kCreatorOwner) sid = security.owner;
    if (sid.empty()) continue;
    const std::uint32_t mask = MapGenericRights(entry.mask, type) & ReplacingRights(role);
    if (mask == 0) continue;
    const auto known = std::find_if(granted.begin(), granted.end(), [&](const Granted& g) {
      return g.unread_type.empty() && g.sid == sid;
    });
    if (known != granted.end()) {
      known->mask |= mask;
    } else {
      granted.push_back({sid, mask, {}});
      to_look_up.push_back(sid);
    }
  }
  principals.Prefetch(to_look_up);
  // An owner may always rewrite the access list, unless an OWNER RIGHTS
  // entry says what the owner may do instead.
  if (!security.owner.empty() && !owner_rights_entry) {
    const Standing owner = principals.Of(security.owner);
    if (owner.counts()) {
      const std::wstring rights =
          L"owns it, so may change its permissions" + UnresolvedNote(owner.unresolved);
      if (add(security.owner, rights, true, true)) return findings;
    }
  }
  for (const Granted& entry : granted) {
    if (!entry.unread_type.empty()) {
      if (add(entry.sid, L"has an allow entry of a kind this check does not read (" +
                             entry.unread_type + L")")) {
        return findings;
      }
      continue;
    }
    const Standing standing = principals.Of(entry.sid);
    if (!standing.counts()) continue;
    if (add(entry.sid, RightsWords(entry.mask, role) + UnresolvedNote(standing.unresolved), true,
            false, entry.mask)) {
      return findings;
    }
  }
  return findings;
}

ObjectNames NamesFor(const std::wstring& what) {
  return {what, what + L" folder", L"folder above the " + what};
}

KeyName::KeyName(platform::RegistryRoot root, std::wstring_view path)
    : root_(root), upper_path_(text::UpperAsciiCopy(path)) {}

std::optional<WinPath> TrustJudge::OnLocalDisk(const WinPath& path, const ObjectNames& names,
                                               Walk* walk) {
  const auto refuse = [&](const std::wstring& reason) {
    walk->check.findings.push_back({names.file.empty() ? names.folder : names.file, path.Text(),
                                    L"", L"", reason, Role::kFile, false});
    walk->refused_on_the_way = true;
    return std::nullopt;
  };
  constexpr wchar_t kNotLocal[] =
      L"is not on a local drive (a network path, or one that cannot be resolved)";
  // Before anything is asked of a file system: a network path would hand
  // whoever answers for the server the caller's logon.
  if (!path.OnDrive()) return refuse(kNotLocal);
  const std::optional<WinPath> full = WinPath::Qualified(security_.FullPath(path.Text()));
  if (!full || !full->OnDrive()) return refuse(kNotLocal);
  const WinPath root = full->Drive();
  auto known = drives_.find(root);
  if (known == drives_.end()) known = drives_.emplace(root, security_.DriveOf(root.Text())).first;
  const platform::DriveKind drive = known->second;
  if (drive != platform::DriveKind::kFixed) return refuse(DriveWords(drive));
  return full;
}

std::vector<TrustJudge::Step> TrustJudge::Folders(const WinPath& full, const ObjectNames& names,
                                                  Role last_role) {
  std::vector<Step> steps;
  for (std::optional<WinPath> folder = full; folder; folder = folder->Parent()) {
    const Role role = steps.empty() ? last_role : Role::kAbove;
    steps.push_back({*folder, role, role == Role::kAbove ? &names.above : &names.folder});
  }
  std::reverse(steps.begin(), steps.end());
  return steps;
}

bool TrustJudge::Down(const std::vector<Step>& steps, Walk* walk) {
  for (const Step& step : steps) {
    const platform::SecurityRead& read = Read(step.path);
    if (read.missing()) {
      walk->missing = true;
      walk->error = read.error;
      return false;
    }
    std::vector<Finding> findings =
        Judge(read, step.role, principals_, *step.object, step.path.Text(), judging_);
    const bool found_wanting = !findings.empty();
    for (Finding& finding : findings) walk->check.findings.push_back(std::move(finding));
    // Nothing behind a link, or below what cannot be read, is ever touched.
    if (read.error != 0 || read.link) return false;
    if (found_wanting && judging_ == Judging::kUntilFirstFinding) return false;
  }
  return true;
}

Walk TrustJudge::CheckFile(const WinPath& path, const ObjectNames& names, Role folder_role) {
  Walk walk;
  const std::optional<WinPath> full = OnLocalDisk(path, names, &walk);
  if (!full) return walk;
  const std::optional<WinPath> folder = full->Parent();
  const bool go_on = !folder || Down(Folders(*folder, names, folder_role), &walk);
  walk.refused_on_the_way = !walk.check.trusted();
  if (!go_on) return walk;
  const platform::FileFound found = files_.Find(path.Text());
  walk.found = found.kind;
  walk.error = found.error;
  walk.missing = found.kind == platform::FileKind::kMissing;
  if (found.kind != platform::FileKind::kNormalFile) return walk;
  Down({{*full, Role::kFile, &names.file}}, &walk);
  return walk;
}

Walk TrustJudge::CheckFolder(const WinPath& path, const ObjectNames& names, Role role) {
  Walk walk;
  const std::optional<WinPath> full = OnLocalDisk(path, names, &walk);
  if (!full) return walk;
  Down(Folders(full->AsFolder(), names, role), &walk);
  return walk;
}

const platform::SecurityRead& TrustJudge::Read(const WinPath& path) {
  return Remember(&files_read_, path, [&] { return security_.Read(AsNamed(path)); });
}

std::vector<std::wstring> TrustJudge::UntrustedExplicitSids(const WinPath& folder) {
  std::vector<std::wstring> sids;
  const platform::SecurityRead& read = Read(folder);
  for (const platform::AccessEntry& entry : read.entries) {
    const bool allows = entry.kind == platform::EntryKind::kAllow ||
                        entry.kind == platform::EntryKind::kAllowUnread;
    if (!allows || entry.inherited || entry.sid.empty()) continue;
    if (std::find(sids.begin(), sids.end(), entry.sid) != sids.end()) continue;
    if (principals_.Of(entry.sid).counts()) sids.push_back(entry.sid);
  }
  return sids;
}

std::vector<Finding> TrustJudge::CheckKey(const platform::SecurityRead& security, Role role,
                                          const std::wstring& object, const std::wstring& path) {
  return Judge(security, role, principals_, object, path, judging_);
}

}  // namespace tarnweld::trust
