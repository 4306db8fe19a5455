#include "core/trust.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "tests/facts.h"
#include "tests/fake_platform.h"

namespace tarnweld::trust {
namespace {

using fake::Fact;
using fake::FakePlatform;
using fake::Owned;
using platform::DriveKind;
using platform::EntryKind;
using platform::Membership;
using platform::SecurityRead;

constexpr wchar_t kFile[] = L"C:\\App\\Bin\\UNWISE.EXE";
constexpr wchar_t kFolder[] = L"C:\\App\\Bin";
constexpr wchar_t kAbove[] = L"C:\\App";
constexpr wchar_t kRoot[] = L"C:\\";

constexpr wchar_t kAdmins[] = L"S-1-5-32-544";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
constexpr wchar_t kAuthenticatedUsers[] = L"S-1-5-11";
constexpr wchar_t kEveryone[] = L"S-1-1-0";
constexpr wchar_t kCaller[] = L"S-1-5-21-7-7-7-1000";
constexpr wchar_t kBob[] = L"S-1-5-21-7-7-7-500";           // a named local administrator
constexpr wchar_t kDomainAdmins[] = L"S-1-5-21-9-9-9-512";  // nested in Administrators
constexpr wchar_t kDomainAdmin[] = L"S-1-5-21-9-9-9-1105";  // through Domain Admins
constexpr wchar_t kDomainUser[] = L"S-1-5-21-9-9-9-1200";
constexpr wchar_t kUnresolvable[] = L"S-1-5-21-9-9-9-1300";  // no domain controller reachable
constexpr wchar_t kOwnerRights[] = L"S-1-3-4";

SecurityRead AdminsWith(const std::wstring& sid, std::uint32_t mask) {
  return Owned(kAdmins, {{kAdmins, rights::kGenericAll}, {sid, mask}});
}
SecurityRead Unreadable(std::uint32_t error) {
  SecurityRead read;
  read.error = error;
  return read;
}
SecurityRead Link(SecurityRead read = Owned(kAdmins, {})) {
  read.link = true;
  return read;
}
SecurityRead WithoutAccessList() {
  SecurityRead read = Owned(kAdmins, {});
  read.has_access_list = false;
  return read;
}
// Administrators, and an entry of `kind` for Everyone granting everything.
SecurityRead EveryoneAll(EntryKind kind, bool inherit_only = false) {
  SecurityRead read = AdminsWith(kEveryone, rights::kGenericAll);
  read.entries.back().kind = kind;
  read.entries.back().inherit_only = inherit_only;
  return read;
}

struct Machine {
  Machine() {
    os.administrators = {0, {kBob, kDomainAdmins}};
    os.indirect_members[kDomainAdmin] = {Membership::kMember, 0};
    os.indirect_members[kUnresolvable] = {Membership::kUnknown, 1722};
    os.account_names[kAuthenticatedUsers] = L"Authenticated Users";
    os.normal_files.insert(kFile);
  }
  Walk Check(const std::wstring& path = kFile, Role folder_role = Role::kProgramFolder,
             Judging judging = Judging::kEveryFinding) {
    TrustJudge judge(os.sources(), judging);
    judge.BeginEntry();
    return judge.CheckFile(*WinPath::Qualified(path), NamesFor(L"uninstaller"), folder_role);
  }
  FakePlatform os;
};

// Each right alone, in each role: the rights that let someone replace what
// is used, each found as itself; and generic rights as they map.
TEST(Trust, TheRightsThatReplaceWhatEachRoleIs) {
  const std::pair<Role, std::uint32_t> replacing[] = {{Role::kFile, 0xD0006},
                                                      {Role::kFolder, 0xD0042},
                                                      {Role::kProgramFolder, 0xD0046},
                                                      {Role::kAbove, 0xD0040},
                                                      {Role::kEntryKey, 0xD0006},
                                                      {Role::kUninstallKey, 0xC0000},
                                                      {Role::kOrderKey, 0xD0026},
                                                      {Role::kNearestForFile, 0xD0002},
                                                      {Role::kNearestForFolder, 0xD0004}};
  Machine machine;
  Principals principals(machine.os, machine.os, machine.os);
  for (const auto& [role, expected] : replacing) {
    SCOPED_TRACE(static_cast<int>(role));
    std::uint32_t found = 0;
    for (std::uint32_t right = 1; right <= rights::kWriteOwner; right <<= 1) {
      if ((right & 0x000F01FF) == 0) continue;
      for (const Finding& finding :
           Judge(AdminsWith(kUsers, right), role, principals, L"x", L"X")) {
        EXPECT_EQ(finding.mask, right);
        found |= finding.mask;
      }
    }
    EXPECT_EQ(found, expected);
  }
  const std::tuple<Role, std::uint32_t, std::uint32_t> generic[] = {
      {Role::kFile, rights::kGenericWrite, 0x6},
      {Role::kFile, rights::kMaximumAllowed, 0xD0006},
      {Role::kProgramFolder, 0x1301BF, 0x10006},  // Modify
      {Role::kProgramFolder, rights::kGenericAll, 0xD0046},
      {Role::kEntryKey, rights::kGenericWrite, 0x6},
      {Role::kOrderKey, rights::kGenericAll, 0xD0026},
      {Role::kFile, 0x1200A9, 0},  // read and execute
  };
  for (const auto& [role, granted, found] : generic) {
    SCOPED_TRACE(granted);
    const auto findings = Judge(AdminsWith(kUsers, granted), role, principals, L"x", L"X");
    EXPECT_EQ(findings.empty() ? 0 : findings[0].mask, found);
  }
  EXPECT_EQ(machine.os.open_handles, 0);
}

TEST(Trust, OnlyTrustedPrincipalsMayChangeTheFileItsFolderOrAFolderAbove) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> arrange;
    std::optional<Fact> finding;  // none: trusted
  };
  const auto on = [](const wchar_t* path, SecurityRead read) {
    return [=](FakePlatform& os) { os.security[path] = read; };
  };
  const auto unread = [](SecurityRead read, const wchar_t* type) {
    read.entries.push_back({EntryKind::kAllowUnread, false, 0x1200A9, kUsers, false, type});
    return read;
  };
  constexpr std::uint32_t kFileAll = 0xD0006;  // the rights that replace a file
  const auto refused = [](const wchar_t* why) { return Fact{0, Role::kFile, kFile, L"", 0, why}; };
  const auto owns = [](const wchar_t* path, const wchar_t* sid, Role role, const wchar_t* more) {
    return Fact{0,   role, path,
                sid, 0,    std::wstring(L"owns it, so may change its permissions") + more};
  };
  const Case cases[] = {
      {"administrators alone", [](FakePlatform&) {}, std::nullopt},
      // Where the walk finds each: the file, its folder (a program's), a
      // folder above, the drive's root.
      {"file", on(kFile, AdminsWith(kUsers, rights::kWriteData)),
       Fact{0, Role::kFile, kFile, kUsers, rights::kWriteData}},
      {"folder", on(kFolder, AdminsWith(kUsers, rights::kAppendData)),
       Fact{0, Role::kProgramFolder, kFolder, kUsers, rights::kAppendData}},
      {"above", on(kAbove, AdminsWith(kUsers, rights::kDelete)),
       Fact{0, Role::kAbove, kAbove, kUsers, rights::kDelete}},
      {"root", on(kRoot, AdminsWith(kUsers, rights::kDeleteChild)),
       Fact{0, Role::kAbove, kRoot, kUsers, rights::kDeleteChild}},
      {"a new sibling above", on(kAbove, AdminsWith(kUsers, 0x6)), std::nullopt},
      // How entries count.
      {"inherit-only", on(kFolder, EveryoneAll(EntryKind::kAllow, true)), std::nullopt},
      {"deny is not subtracted", on(kFile, [] {
         SecurityRead read = EveryoneAll(EntryKind::kAllow);
         read.entries.insert(read.entries.begin(), EveryoneAll(EntryKind::kDeny).entries.back());
         return read;
       }()), Fact{0, Role::kFile, kFile, kEveryone, kFileAll}},
      {"deny alone grants nothing", on(kFile, EveryoneAll(EntryKind::kDeny)), std::nullopt},
      {"NULL access list", on(kFolder, WithoutAccessList()),
       Fact{0, Role::kProgramFolder, kFolder, L"", 0, L"has no access list, so anyone may change it"}},
      {"no security at all", on(kAbove, Unreadable(1)),
       Fact{0, Role::kAbove, kAbove, L"", 0, L"its security cannot be read (error 1)"}},
      // A file link, whose security the system does not read.
      {"a link", on(kFolder, Link(SecurityRead{})),
       Fact{0, Role::kProgramFolder, kFolder, L"", 0,
            L"is a junction or symbolic link, whose target is not judged"}},
      // Principals.
      {"SYSTEM and TrustedInstaller",
       on(kFile, Owned(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                       {{L"S-1-5-18", rights::kGenericAll}})),
       std::nullopt},
      {"the caller", on(kFile, Owned(kCaller, {{kCaller, rights::kGenericAll}})), std::nullopt},
      {"a named administrator, as on XP", on(kFolder, Owned(kBob, {{kBob, rights::kGenericAll}})),
       std::nullopt},
      {"a group nested in Administrators", on(kFile, AdminsWith(kDomainAdmins, rights::kGenericAll)),
       std::nullopt},
      {"a member through its groups", on(kFile, Owned(kDomainAdmin, {})), std::nullopt},
      {"an Azure AD account among the members", [](FakePlatform& os) {
         os.administrators = {0, {L"S-1-12-1-1-2-3-4"}};
         os.security[kFile] = Owned(L"S-1-12-1-1-2-3-4", {});
       }, std::nullopt},
      {"a domain user", on(kFile, AdminsWith(kDomainUser, rights::kWriteData)),
       Fact{0, Role::kFile, kFile, kDomainUser, rights::kWriteData}},
      {"membership not resolved", on(kFile, AdminsWith(kUnresolvable, rights::kWriteData)),
       Fact{0, Role::kFile, kFile, kUnresolvable, rights::kWriteData}},
      {"members not listed", [](FakePlatform& os) {
         os.administrators = {5, {}};
         os.security[kFile] = Owned(kBob, {});
       }, owns(kFile, kBob, Role::kFile, L" (whether it belongs to Administrators could not be "
                                         L"resolved: the Administrators group's members cannot be "
                                         L"listed, error 5)")},
      // A lookup that never answers is given up at the entry's deadline.
      {"no answer in time", [](FakePlatform& os) {
         os.answers[kDomainUser] = {{}, std::nullopt};
         os.security[kFile] = Owned(kDomainUser, {});
       }, owns(kFile, kDomainUser, Role::kFile, L" (whether it belongs to Administrators could not "
                                                L"be resolved: no answer within 15 s)")},
      {"an answer just in time", [](FakePlatform& os) {
         os.answers[kDomainUser] = {{0, Membership::kMember, L"DOM\\ann"}, 15'000};
         os.security[kFile] = Owned(kDomainUser, {});
       }, std::nullopt},
      // Versions: Power Users could install software only on XP and 2003.
      {"Power Users on Vista and later", on(kFile, AdminsWith(L"S-1-5-32-547", rights::kWriteData)),
       Fact{0, Role::kFile, kFile, L"S-1-5-32-547", rights::kWriteData}},
      {"Power Users on XP", [](FakePlatform& os) {
         os.major_version = 5;
         os.security[kFile] = AdminsWith(L"S-1-5-32-547", rights::kGenericAll);
       }, std::nullopt},
      {"OWNER RIGHTS on XP stands for no one", [](FakePlatform& os) {
         os.major_version = 5;
         os.security[kFile] = Owned(kDomainUser, {{kOwnerRights, 0x1200A9}});
       }, owns(kFile, kDomainUser, Role::kFile, L"")},
      {"TERMINAL SERVER USER where no token carries it",
       on(kAbove, AdminsWith(L"S-1-5-13", rights::kGenericAll)), std::nullopt},
      {"TERMINAL SERVER USER on a relaxed terminal server", [](FakePlatform& os) {
         os.terminal_server_users = true;
         os.security[kAbove] = AdminsWith(L"S-1-5-13", rights::kDelete);
       }, Fact{0, Role::kAbove, kAbove, L"S-1-5-13", rights::kDelete}},
      // Entries the rule does not read grant what it cannot tell.
      {"an object entry", on(kFile, unread(Owned(kAdmins, {}), L"object")),
       Fact{0, Role::kFile, kFile, kUsers, 0,
            L"has an allow entry of a kind this check does not read (object)"}},
      // The owner.
      {"untrusted owner", on(kAbove, Owned(kEveryone, {})),
       owns(kAbove, kEveryone, Role::kAbove, L"")},
      {"OWNER RIGHTS limits the owner", on(kFile, Owned(kDomainUser, {{kOwnerRights, 0x1200A9}})),
       std::nullopt},
      {"OWNER RIGHTS that still allows",
       on(kFile, Owned(kDomainUser, {{kOwnerRights, rights::kWriteDac}})),
       Fact{0, Role::kFile, kFile, kDomainUser, rights::kWriteDac}},
      // Drives.
      {"removable", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRemovable; },
       refused(L"is on a removable drive, not a fixed local disk")},
      {"network drive", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRemote; },
       refused(L"is on a network drive, not a fixed local disk")},
      {"CD", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kCdRom; },
       refused(L"is on a CD or DVD drive, not a fixed local disk")},
      {"RAM disk", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRamDisk; },
       refused(L"is on a RAM disk, not a fixed local disk")},
      {"unknown", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kUnknown; },
       refused(L"is on a drive of unknown kind, not a fixed local disk")},
      {"missing", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kMissing; },
       refused(L"is on a drive that does not exist, whose letter a removable disk could take")},
      {"another fixed drive", [](FakePlatform& os) { os.drives[L"D:\\"] = DriveKind::kRemote; },
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine machine;
    c.arrange(machine.os);
    const std::vector<Fact> found = fake::FactsOf(machine.Check().check.findings);
    EXPECT_EQ(found, c.finding ? std::vector<Fact>{*c.finding} : std::vector<Fact>{});
    EXPECT_EQ(machine.os.open_handles, 0);
  }
}

// The words for each finding, as both programs write them, and whether new
// permissions would mend it: never what cannot be read, nor a link.
TEST(Trust, EachFindingInWords) {
  struct Case {
    SecurityRead security;
    Role role;
    const wchar_t* words;
    bool mendable = true;
  };
  const SecurityRead link = Link();
  const Case cases[] = {
      {AdminsWith(kEveryone, rights::kMaximumAllowed), Role::kFile,
       L"x [C:\\X]: S-1-1-0 may write, append, delete, change permissions, take ownership"},
      {AdminsWith(kAuthenticatedUsers, rights::kGenericAll), Role::kProgramFolder,
       L"x [C:\\X]: Authenticated Users (S-1-5-11) may add files, add subfolders, delete what it "
       L"holds, delete, change permissions, take ownership"},
      {AdminsWith(kUsers, rights::kKeyAllAccess), Role::kOrderKey,
       L"x [C:\\X]: S-1-5-32-545 may set values, create subkeys, create links, delete, change "
       L"permissions, take ownership"},
      {AdminsWith(kUnresolvable, rights::kWriteData), Role::kFile,
       L"x [C:\\X]: S-1-5-21-9-9-9-1300 may write (whether it belongs to Administrators could not "
       L"be resolved: error 1722)"},
      {Owned(kEveryone, {}), Role::kFolder,
       L"x [C:\\X]: S-1-1-0 owns it, so may change its permissions"},
      {Unreadable(5), Role::kFile, L"x [C:\\X]: its security cannot be read (error 5)", false},
      {WithoutAccessList(), Role::kFile, L"x [C:\\X]: has no access list, so anyone may change it"},
      {link, Role::kFile, L"x [C:\\X]: is a junction or symbolic link, whose target is not judged",
       false},
      {link, Role::kOrderKey, L"x [C:\\X]: is a registry link, whose target is not judged", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::Narrow(c.words));
    Machine machine;
    Principals principals(machine.os, machine.os, machine.os);
    const std::vector<Finding> findings = Judge(c.security, c.role, principals, L"x", L"C:\\X");
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(Describe(findings[0]), c.words);
    EXPECT_EQ(findings[0].permissions, c.mendable);
    EXPECT_EQ(machine.os.open_handles, 0);
  }
  EXPECT_EQ(Describe({L"x", L"C:\\X", L"", L"", L"is on a RAM disk"}),
            L"x [C:\\X]: is on a RAM disk");
}

TEST(Trust, TheUntrustedWrittenOnAFolderItselfAreAllowEntriesNotInheritedNorDenied) {
  Machine machine;
  SecurityRead read = Owned(kAdmins, {{kEveryone, rights::kWriteData}});
  read.entries.push_back(
      {EntryKind::kAllow, false, rights::kWriteData, kAuthenticatedUsers, true, {}});
  read.entries.push_back({EntryKind::kDeny, false, rights::kWriteData, kUsers, false, {}});
  read.entries.push_back({EntryKind::kAllowUnread, false, 0, kDomainUser, false, L"object"});
  read.entries.push_back({EntryKind::kAllow, false, rights::kWriteData, L"", false, {}});
  read.entries.push_back({EntryKind::kAllow, false, rights::kWriteData, kEveryone, false, {}});
  machine.os.security[kFolder] = read;
  TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
  EXPECT_EQ(judge.UntrustedExplicitSids(*WinPath::Qualified(kFolder)),
            (std::vector<std::wstring>{kEveryone, kDomainUser}));
}

TEST(Trust, NothingBelowALinkOrOnANetworkIsAskedAndMembershipIsListedOncePerRun) {
  struct Case {
    const char* what;
    std::wstring path;
    std::function<void(FakePlatform&)> arrange;
    std::vector<std::wstring> read;  // every security read, in order
    bool searched;
  };
  const auto link = [](FakePlatform& os) { os.security[kAbove] = Link(); };
  const auto remote = [](FakePlatform& os) { os.drives[L"Z:\\"] = DriveKind::kRemote; };
  const auto missing = [](FakePlatform& os) { os.missing_folders.insert(kAbove); };
  const auto nothing = [](FakePlatform&) {};
  const Case cases[] = {
      {"UNC", L"\\\\server\\share\\UNWISE.EXE", nothing, {}, false},
      {"a network drive", L"Z:\\UNWISE.EXE", remote, {}, false},
      {"a link on the way", kFile, link, {kRoot, kAbove}, false},
      {"a missing folder", kFile, missing, {kRoot, kAbove}, false},
      // Every folder is read before the file is looked for.
      {"all trusted", kFile, nothing, {kRoot, kAbove, kFolder, kFile}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine machine;
    c.arrange(machine.os);
    const Walk walk = machine.Check(c.path);
    EXPECT_EQ(machine.os.security_reads, c.read);
    EXPECT_EQ(!machine.os.searched_paths.empty(), c.searched);
    EXPECT_EQ(walk.refused_on_the_way, !c.searched && !walk.missing);
    EXPECT_EQ(machine.os.open_handles, 0);
  }

  Machine machine;
  TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
  machine.os.security[kFile] = Owned(kDomainUser, {});
  machine.os.security[kFolder] = Owned(kBob, {});
  const WinPath file = *WinPath::Qualified(kFile);
  EXPECT_FALSE(judge.CheckFile(file, NamesFor(L"log"), Role::kFolder).check.trusted());
  // The same objects, whatever the letter case, are read once a run.
  judge.CheckFile(*WinPath::Qualified(L"c:\\app\\bin\\unwise.exe"), NamesFor(L"log"),
                  Role::kFolder);
  EXPECT_EQ(machine.os.member_listings, 1);
  EXPECT_EQ(machine.os.security_reads.size(), 4u) << "root, above, folder and file, once";
  TrustJudge next_run(machine.os.sources(), Judging::kEveryFinding);
  next_run.CheckFile(file, NamesFor(L"log"), Role::kFolder);
  EXPECT_EQ(machine.os.security_reads.size(), 8u) << "a new run reads them again";
}

TEST(Trust, UntilTheFirstFindingOrEveryOneWithinOneEntrysLookups) {
  // Nine accounts of a domain no one can reach, each allowed to write, and
  // an owner no one trusts on the folder above.
  SecurityRead crowded = Owned(kAdmins, {});
  for (int i = 1; i <= 9; ++i) {
    crowded.entries.push_back({EntryKind::kAllow,
                               false,
                               rights::kWriteData,
                               L"S-1-5-21-9-9-9-" + std::to_wstring(3000 + i),
                               false,
                               {}});
  }
  struct Case {
    Judging judging;
    std::size_t findings;
    std::size_t looked_up;
    std::vector<std::wstring> read;
  };
  const Case cases[] = {
      // Tarnweld.exe: one reason is enough, and nothing below it is read.
      {Judging::kUntilFirstFinding, 1, 0, {kRoot, kAbove}},
      // TarnweldCheck.exe: every finding on every object, eight lookups at most.
      {Judging::kEveryFinding, 10, 8, {kRoot, kAbove, kFolder, kFile}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.findings);
    Machine machine;
    machine.os.security[kAbove] = Owned(kEveryone, {});
    machine.os.security[kFile] = crowded;
    const Walk walk = machine.Check(kFile, Role::kProgramFolder, c.judging);
    ASSERT_EQ(walk.check.findings.size(), c.findings);
    std::size_t accounts = 0;
    for (const std::wstring& sid : machine.os.looked_up)
      accounts += sid.rfind(L"S-1-5-21-", 0) == 0;
    EXPECT_EQ(accounts, c.looked_up);
    EXPECT_EQ(machine.os.security_reads, c.read);
    if (c.findings > 1) {
      EXPECT_NE(Describe(walk.check.findings.back()).find(L"more than 8 accounts"),
                std::wstring::npos)
          << fake::Narrow(Describe(walk.check.findings.back()));
    }
    EXPECT_EQ(machine.os.open_handles, 0);
  }
}

TEST(Trust, TheDeadlineIsTheEntrysNotEachLookups) {
  // The folder's account never answers: the entry's 15 s pass there. The
  // file's owner answers at once when asked, but is asked too late.
  Machine machine;
  machine.os.answers[kUnresolvable] = {{}, std::nullopt};
  machine.os.answers[kDomainAdmin] = {{0, Membership::kMember, L"DOM\\admin"}, 0};
  machine.os.security[kFolder] = AdminsWith(kUnresolvable, rights::kWriteData);
  machine.os.security[kFile] = Owned(kDomainAdmin, {});
  EXPECT_EQ(
      fake::FactsOf(machine.Check().check.findings),
      (std::vector<Fact>{{0, Role::kProgramFolder, kFolder, kUnresolvable, rights::kWriteData},
                         {0, Role::kFile, kFile, kDomainAdmin, 0,
                          L"owns it, so may change its permissions (whether it belongs to "
                          L"Administrators could not be resolved: no answer within 15 s)"}}));
  // The next entry has 15 s of its own.
  TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
  judge.BeginEntry();
  machine.os.security[kFolder] = AdminsWith(kAdmins, rights::kWriteData);
  EXPECT_TRUE(
      judge.CheckFile(*WinPath::Qualified(kFile), NamesFor(L"uninstaller"), Role::kProgramFolder)
          .check.trusted());
}

// Whoever may write the entry chooses which uninstaller runs on which log;
// each right in each key's role is in the table of rights.
TEST(Trust, WhoMayChangeTheEntryOrTheKeyThatHoldsIt) {
  struct Case {
    const char* what;
    Role role;
    SecurityRead security;
    std::vector<Fact> findings;  // as data, with the role and path left out
  };
  const auto owns = [](const wchar_t* sid) {
    return Fact{0, Role::kFile, L"", sid, 0, L"owns it, so may change its permissions"};
  };
  const Fact linked{0, Role::kFile, L"", L"", 0, L"is a registry link, whose target is not judged"};
  const Fact unread{0, Role::kFile, L"", L"", 0, L"its security cannot be read (error 5)"};
  const Case cases[] = {
      // A registry link's own owner and permissions are read, and judged too.
      {"a link", Role::kOrderKey, Link(Owned(kDomainUser, {})), {linked, owns(kDomainUser)}},
      {"entry: administrators'", Role::kEntryKey, AdminsWith(kUsers, rights::kKeyRead), {}},
      {"entry: a user's own", Role::kEntryKey, Owned(kDomainUser, {}), {owns(kDomainUser)}},
      // A user may add an entry of their own, which they then own.
      {"uninstall key: owner", Role::kUninstallKey, Owned(kEveryone, {}), {owns(kEveryone)}},
      {"uninstall key: unreadable", Role::kUninstallKey, Unreadable(5), {unread}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine machine;
    TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
    std::vector<Fact> expected = c.findings;
    for (Fact& fact : expected) {
      fact.role = c.role;
      fact.path = L"HKLM\\X";
    }
    EXPECT_EQ(fake::FactsOf(judge.CheckKey(c.security, c.role, L"entry", L"HKLM\\X")), expected);
    EXPECT_EQ(machine.os.open_handles, 0);
  }
}

}  // namespace
}  // namespace tarnweld::trust
