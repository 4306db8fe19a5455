#include "core/trust.h"

#include <algorithm>
#include <string_view>

#include "core/text.h"

namespace tarnweld::trust {
namespace {

constexpr wchar_t kLocalSystem[] = L"S-1-5-18";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kPowerUsers[] = L"S-1-5-32-547";
constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// Entries for these stand for the object's owner.
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
constexpr wchar_t kOwnerRights[] = L"S-1-3-4";

// Accounts of a machine or a domain (S-1-5-21-...) and of Azure AD
// (S-1-12-1-...); every other SID is a well-known group or service, whose
// membership the account database does not hold.
bool IsAccountSid(std::wstring_view sid) {
  return sid.rfind(L"S-1-5-21-", 0) == 0 || sid.rfind(L"S-1-12-1-", 0) == 0;
}

// The rights that let someone replace what is used, for each role. A new
// file or folder beside a folder above does not replace the path; deleting
// or renaming one of its folders does.
std::uint32_t ReplacingRights(Role role) {
  using namespace rights;
  switch (role) {
    case Role::kFile:
      return kWriteData | kAppendData | kDelete | kWriteDac | kWriteOwner;
    case Role::kFolder:
      return kWriteData | kDeleteChild | kDelete | kWriteDac | kWriteOwner;
    case Role::kAbove:
      return kDeleteChild | kDelete | kWriteDac | kWriteOwner;
  }
  return 0;
}

std::wstring RightsWords(std::uint32_t mask, Role role) {
  using namespace rights;
  struct Word {
    std::uint32_t right;
    const wchar_t* word;
  };
  const Word words[] = {{kWriteData, role == Role::kFile ? L"write" : L"add files"},
                        {kAppendData, L"append"},
                        {kDeleteChild, L"delete what it holds"},
                        {kDelete, L"delete"},
                        {kWriteDac, L"change permissions"},
                        {kWriteOwner, L"take ownership"}};
  std::wstring text = L"may";
  const wchar_t* separator = L" ";
  for (const Word& word : words) {
    if ((mask & word.right) == 0) continue;
    text += separator;
    text += word.word;
    separator = L", ";
  }
  return text;
}

std::wstring UnresolvedNote(std::uint32_t error) {
  return L" (whether it belongs to Administrators could not be resolved: error " +
         text::Decimal(error) + L")";
}

// "C:\A\B\F.EXE" -> "C:\A\B"; "C:\A" -> "C:\"; "C:\" -> "".
std::wstring ParentOf(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L'\\');
  if (last == std::wstring::npos || last + 1 == path.size()) return {};
  return path.substr(0, last == 2 ? 3 : last);
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
    case platform::DriveKind::kUnknown:
      return L"is on a drive of unknown kind, not a fixed local disk";
  }
  return L"";
}

// The value kept for `key`, or null.
template <typename Value>
Value* Kept(std::vector<std::pair<std::wstring, Value>>& kept, const std::wstring& key) {
  for (auto& [known, value] : kept) {
    if (known == key) return &value;
  }
  return nullptr;
}

}  // namespace

std::uint32_t MapGenericRights(std::uint32_t mask) {
  using namespace rights;
  if (mask & (kGenericAll | kMaximumAllowed)) mask |= kFileAllAccess;
  if (mask & kGenericWrite) mask |= kFileGenericWrite;
  if (mask & kGenericRead) mask |= kFileGenericRead;
  if (mask & kGenericExecute) mask |= kFileGenericExecute;
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

Standing Principals::Of(const std::wstring& sid) {
  for (const wchar_t* trusted : {kLocalSystem, kAdministrators, kTrustedInstaller, kPowerUsers}) {
    if (sid == trusted) return {true, 0};
  }
  if (!caller_) caller_ = accounts_.CallerSid();
  if (!caller_->empty() && sid == *caller_) return {true, 0};
  if (!IsAccountSid(sid)) return {false, 0};
  if (!members_) members_ = accounts_.AdministratorsMembers();
  if (members_->error != 0) return {false, members_->error};
  const auto& members = members_->sids;
  if (std::find(members.begin(), members.end(), sid) != members.end()) return {true, 0};
  if (const Standing* judged = Kept(accounts_judged_, sid)) return *judged;
  const platform::MembershipFound found = accounts_.AdministratorThroughGroups(sid);
  Standing standing{found.membership == platform::Membership::kMember, 0};
  if (found.membership == platform::Membership::kUnknown) standing.unresolved_error = found.error;
  accounts_judged_.emplace_back(sid, standing);
  return standing;
}

std::wstring Principals::NameOf(const std::wstring& sid) {
  if (const std::wstring* name = Kept(names_, sid)) return *name;
  names_.emplace_back(sid, accounts_.NameOf(sid));
  return names_.back().second;
}

std::vector<Finding> Judge(const platform::SecurityRead& security, Role role,
                           Principals& principals, const std::wstring& object,
                           const std::wstring& path) {
  std::vector<Finding> findings;
  const auto add = [&](const std::wstring& sid, const std::wstring& rights,
                       bool permissions = true) {
    findings.push_back(
        {object, path, sid.empty() ? L"" : principals.NameOf(sid), sid, rights, role, permissions});
  };
  if (security.error != 0) {
    add({}, L"its security cannot be read (error " + text::Decimal(security.error) + L")", false);
    return findings;
  }
  if (security.link) {
    add({}, L"is a junction or symbolic link, whose target is not judged", false);
    return findings;
  }
  if (!security.has_access_list) {
    add({}, L"has no access list, so anyone may change it");
    return findings;
  }
  // The rights each principal is allowed, in the order first named.
  std::vector<std::pair<std::wstring, std::uint32_t>> allowed;
  bool owner_rights_entry = false;
  for (const platform::AccessEntry& entry : security.entries) {
    if (entry.kind != platform::EntryKind::kAllow || entry.inherit_only) continue;
    std::wstring sid = entry.sid;
    if (sid == kOwnerRights) owner_rights_entry = true;
    if (sid == kOwnerRights || sid == kCreatorOwner) sid = security.owner;
    if (sid.empty()) continue;
    const std::uint32_t mask = MapGenericRights(entry.mask) & ReplacingRights(role);
    if (mask == 0) continue;
    if (std::uint32_t* known = Kept(allowed, sid)) {
      *known |= mask;
    } else {
      allowed.emplace_back(sid, mask);
    }
  }
  // An owner may always rewrite the access list, unless an OWNER RIGHTS
  // entry says what the owner may do instead.
  if (!security.owner.empty() && !owner_rights_entry) {
    const Standing owner = principals.Of(security.owner);
    if (!owner.trusted) {
      add(security.owner,
          L"owns it, so may change its permissions" +
              (owner.unresolved_error ? UnresolvedNote(owner.unresolved_error) : L""));
    }
  }
  for (const auto& [sid, mask] : allowed) {
    const Standing standing = principals.Of(sid);
    if (standing.trusted) continue;
    add(sid, RightsWords(mask, role) +
                 (standing.unresolved_error ? UnresolvedNote(standing.unresolved_error) : L""));
  }
  return findings;
}

TrustCheck TrustJudge::Check(const std::wstring& path, const std::wstring& what) {
  TrustCheck check;
  const std::wstring full = security_.FullPath(path);
  const auto refuse = [&](const std::wstring& reason) {
    check.findings.push_back({what, path, L"", L"", reason, Role::kFile, false});
    return check;
  };
  if (full.size() < 3 || full[1] != L':' || full[2] != L'\\') {
    return refuse(L"is not on a local drive (a network path, or one that cannot be resolved)");
  }
  const platform::DriveKind drive = security_.DriveOf(full.substr(0, 3));
  if (drive != platform::DriveKind::kFixed) return refuse(DriveWords(drive));

  Role role = Role::kFile;
  for (std::wstring object = full; !object.empty(); object = ParentOf(object)) {
    const std::wstring name = role == Role::kFile     ? what
                              : role == Role::kFolder ? what + L" folder"
                                                      : L"folder above the " + what;
    for (Finding& finding : Judge(security_.Read(object), role, principals_, name, object)) {
      check.findings.push_back(std::move(finding));
    }
    role = role == Role::kFile ? Role::kFolder : Role::kAbove;
  }
  return check;
}

}  // namespace tarnweld::trust
