#include "core/trust.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/fake_platform.h"

namespace tarnweld::trust {
namespace {

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

TEST(Trust, OnlyTrustedPrincipalsMayChangeTheFileItsFolderOrAFolderAbove) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> arrange;
    std::wstring finding;  // empty: trusted
  };
  const auto on = [](const wchar_t* path, SecurityRead read) {
    return [=](FakePlatform& os) { os.security[path] = read; };
  };
  const Case cases[] = {
      {"administrators alone", [](FakePlatform&) {}, L""},
      // Each right on the file.
      {"file: write", on(kFile, AdminsWith(kUsers, rights::kWriteData)),
       L"uninstaller [C:\\App\\Bin\\UNWISE.EXE]: S-1-5-32-545 may write"},
      {"file: append", on(kFile, AdminsWith(kUsers, rights::kAppendData)), L"S-1-5-32-545 may append"},
      {"file: delete", on(kFile, AdminsWith(kUsers, rights::kDelete)), L"S-1-5-32-545 may delete"},
      {"file: permissions", on(kFile, AdminsWith(kUsers, rights::kWriteDac)),
       L"may change permissions"},
      {"file: owner", on(kFile, AdminsWith(kUsers, rights::kWriteOwner)), L"may take ownership"},
      {"file: generic write", on(kFile, AdminsWith(kUsers, rights::kGenericWrite)),
       L"S-1-5-32-545 may write, append"},
      {"file: everything", on(kFile, AdminsWith(kEveryone, rights::kMaximumAllowed)),
       L"S-1-1-0 may write, append, delete, change permissions, take ownership"},
      {"file: read and execute", on(kFile, AdminsWith(kUsers, 0x1200A9)), L""},
      {"file: delete-child means nothing on a file", on(kFile, AdminsWith(kUsers, 0x40)), L""},
      // Each right on the folder that holds it.
      {"folder: modify", on(kFolder, AdminsWith(kAuthenticatedUsers, 0x1301BF)),
       L"uninstaller folder [C:\\App\\Bin]: Authenticated Users (S-1-5-11) may add files, add "
       L"subfolders, delete"},
      {"folder: delete children", on(kFolder, AdminsWith(kUsers, rights::kDeleteChild)),
       L"uninstaller folder [C:\\App\\Bin]: S-1-5-32-545 may delete what it holds"},
      // A new subfolder beside the uninstaller (UNWISE.EXE.local) redirects its DLLs.
      {"folder: add a subfolder", on(kFolder, AdminsWith(kUsers, rights::kAppendData)),
       L"[C:\\App\\Bin]: S-1-5-32-545 may add subfolders"},
      {"folder: take ownership", on(kFolder, AdminsWith(kUsers, rights::kWriteOwner)),
       L"may take ownership"},
      // Generic rights as a folder maps them, where deleting what it holds is one.
      {"folder: generic all", on(kFolder, AdminsWith(kUsers, rights::kGenericAll)),
       L"S-1-5-32-545 may add files, add subfolders, delete what it holds, delete, change "
       L"permissions, take ownership"},
      {"folder: permissions", on(kFolder, AdminsWith(kUsers, rights::kWriteDac)),
       L"[C:\\App\\Bin]: S-1-5-32-545 may change permissions"},
      // Folders above: replacing one counts, a new sibling does not.
      {"above: add files and folders", on(kAbove, AdminsWith(kUsers, 0x6)), L""},
      {"above: delete", on(kAbove, AdminsWith(kUsers, rights::kDelete)),
       L"folder above the uninstaller [C:\\App]: S-1-5-32-545 may delete"},
      {"above: permissions", on(kAbove, AdminsWith(kUsers, rights::kWriteDac)),
       L"[C:\\App]: S-1-5-32-545 may change permissions"},
      {"above: take ownership", on(kAbove, AdminsWith(kUsers, rights::kWriteOwner)),
       L"[C:\\App]: S-1-5-32-545 may take ownership"},
      {"root: delete children", on(kRoot, AdminsWith(kUsers, rights::kDeleteChild)),
       L"folder above the uninstaller [C:\\]: S-1-5-32-545 may delete what it holds"},
      // How entries count.
      {"inherit-only", on(kFolder, [] {
         SecurityRead read = AdminsWith(kEveryone, rights::kGenericAll);
         read.entries.back().inherit_only = true;
         return read;
       }()), L""},
      {"deny is not subtracted", on(kFile, [] {
         SecurityRead read = AdminsWith(kEveryone, rights::kGenericAll);
         read.entries.insert(read.entries.begin(),
                             {EntryKind::kDeny, false, rights::kGenericAll, kEveryone, false, {}});
         return read;
       }()), L"S-1-1-0 may write"},
      {"deny alone grants nothing", on(kFile, [] {
         SecurityRead read = Owned(kAdmins, {});
         read.entries.push_back({EntryKind::kDeny, false, rights::kGenericAll, kEveryone, false, {}});
         return read;
       }()), L""},
      {"NULL access list", on(kFolder, [] {
         SecurityRead read = Owned(kAdmins, {});
         read.has_access_list = false;
         return read;
       }()), L"[C:\\App\\Bin]: has no access list"},
      {"no security at all", on(kAbove, [] {
         SecurityRead read;
         read.error = 1;
         return read;
       }()), L"[C:\\App]: its security cannot be read (error 1)"},
      // A file link, whose security the system does not read.
      {"a link", on(kFolder, [] {
         SecurityRead read;
         read.link = true;
         return read;
       }()), L"[C:\\App\\Bin]: is a junction or symbolic link"},
      // Principals.
      {"SYSTEM and TrustedInstaller",
       on(kFile, Owned(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                       {{L"S-1-5-18", rights::kGenericAll}})),
       L""},
      {"the caller", on(kFile, Owned(kCaller, {{kCaller, rights::kGenericAll}})), L""},
      {"a named administrator, as on XP", on(kFolder, Owned(kBob, {{kBob, rights::kGenericAll}})),
       L""},
      {"a group nested in Administrators", on(kFile, AdminsWith(kDomainAdmins, rights::kGenericAll)),
       L""},
      {"a member through its groups", on(kFile, Owned(kDomainAdmin, {})), L""},
      {"an Azure AD account among the members", [](FakePlatform& os) {
         os.administrators = {0, {L"S-1-12-1-1-2-3-4"}};
         os.security[kFile] = Owned(L"S-1-12-1-1-2-3-4", {});
       }, L""},
      {"a domain user", on(kFile, AdminsWith(kDomainUser, rights::kWriteData)),
       L"S-1-5-21-9-9-9-1200 may write"},
      {"membership not resolved", on(kFile, AdminsWith(kUnresolvable, rights::kWriteData)),
       L"S-1-5-21-9-9-9-1300 may write (whether it belongs to Administrators could not be "
       L"resolved: error 1722)"},
      {"members not listed", [](FakePlatform& os) {
         os.administrators = {5, {}};
         os.security[kFile] = Owned(kBob, {});
       }, L"S-1-5-21-7-7-7-500 owns it, so may change its permissions (whether it belongs to "
          L"Administrators could not be resolved: the Administrators group's members cannot be "
          L"listed, error 5)"},
      // A lookup that never answers is given up at the entry's deadline.
      {"no answer in time", [](FakePlatform& os) {
         os.answers[kDomainUser] = {{}, std::nullopt};
         os.security[kFile] = Owned(kDomainUser, {});
       }, L"S-1-5-21-9-9-9-1200 owns it, so may change its permissions (whether it belongs to "
          L"Administrators could not be resolved: no answer within 15 s)"},
      {"an answer just in time", [](FakePlatform& os) {
         os.answers[kDomainUser] = {{0, Membership::kMember, L"DOM\\ann"}, 15'000};
         os.security[kFile] = Owned(kDomainUser, {});
       }, L""},
      // Versions: Power Users could install software only on XP and 2003.
      {"Power Users on Vista and later", on(kFile, AdminsWith(L"S-1-5-32-547", rights::kWriteData)),
       L"S-1-5-32-547 may write"},
      {"Power Users on XP", [](FakePlatform& os) {
         os.major_version = 5;
         os.security[kFile] = AdminsWith(L"S-1-5-32-547", rights::kGenericAll);
       }, L""},
      {"OWNER RIGHTS on XP stands for no one", [](FakePlatform& os) {
         os.major_version = 5;
         os.security[kFile] = Owned(kDomainUser, {{kOwnerRights, 0x1200A9}});
       }, L"S-1-5-21-9-9-9-1200 owns it, so may change its permissions"},
      {"TERMINAL SERVER USER where no token carries it",
       on(kAbove, AdminsWith(L"S-1-5-13", rights::kGenericAll)), L""},
      {"TERMINAL SERVER USER on a relaxed terminal server", [](FakePlatform& os) {
         os.terminal_server_users = true;
         os.security[kAbove] = AdminsWith(L"S-1-5-13", rights::kDelete);
       }, L"[C:\\App]: S-1-5-13 may delete"},
      // Entries the rule does not read grant what it cannot tell.
      {"an object entry", on(kFile, [] {
         SecurityRead read = Owned(kAdmins, {});
         read.entries.push_back({EntryKind::kAllowUnread, false, 0x1200A9, kUsers, false, L"object"});
         return read;
       }()), L"S-1-5-32-545 has an allow entry of a kind this check does not read (object)"},
      // The owner.
      {"untrusted owner", on(kAbove, Owned(kEveryone, {})),
       L"[C:\\App]: S-1-1-0 owns it, so may change its permissions"},
      {"OWNER RIGHTS limits the owner", on(kFile, Owned(kDomainUser, {{kOwnerRights, 0x1200A9}})),
       L""},
      {"OWNER RIGHTS that still allows", on(kFile, Owned(kDomainUser, {{kOwnerRights, rights::kWriteDac}})),
       L"S-1-5-21-9-9-9-1200 may change permissions"},
      // Drives.
      {"removable", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRemovable; },
       L"uninstaller [C:\\App\\Bin\\UNWISE.EXE]: is on a removable drive"},
      {"network drive", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRemote; },
       L"is on a network drive"},
      {"CD", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kCdRom; }, L"on a CD or DVD"},
      {"RAM disk", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kRamDisk; }, L"RAM disk"},
      {"unknown", [](FakePlatform& os) { os.drives[kRoot] = DriveKind::kUnknown; },
       L"unknown kind"},
      {"another fixed drive", [](FakePlatform& os) { os.drives[L"D:\\"] = DriveKind::kRemote; },
       L""},
  };
  for (const Case& c : cases) {
    Machine machine;
    c.arrange(machine.os);
    const TrustCheck check = machine.Check().check;
    if (c.finding.empty()) {
      EXPECT_TRUE(check.trusted()) << c.what << ": " << fake::Narrow(Describe(check.findings[0]));
      continue;
    }
    ASSERT_EQ(check.findings.size(), 1u) << c.what;
    EXPECT_NE(Describe(check.findings[0]).find(c.finding), std::wstring::npos)
        << c.what << ": " << fake::Narrow(Describe(check.findings[0]));
  }
}

TEST(Trust, PermissionsMendWhatSomeoneMayDoNeverWhatCannotBeReadOrIsALink) {
  SecurityRead unreadable;
  unreadable.error = 5;
  SecurityRead link = Owned(kAdmins, {});
  link.link = true;
  SecurityRead no_list = Owned(kAdmins, {});
  no_list.has_access_list = false;
  const std::pair<SecurityRead, bool> cases[] = {
      {unreadable, false}, {link, false}, {no_list, true}, {Owned(kEveryone, {}), true}};
  for (const auto& [read, mendable] : cases) {
    Machine machine;
    Principals principals(machine.os, machine.os, machine.os);
    const auto findings = Judge(read, Role::kFolder, principals, L"x", L"C:\\X");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].permissions, mendable) << fake::Narrow(Describe(findings[0]));
  }
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
  const auto link = [](FakePlatform& os) {
    SecurityRead read = Owned(kAdmins, {});
    read.link = true;
    os.security[kAbove] = read;
  };
  const Case cases[] = {
      {"UNC", L"\\\\server\\share\\UNWISE.EXE", [](FakePlatform&) {}, {}, false},
      {"mapped network drive",
       L"Z:\\UNWISE.EXE",
       [](FakePlatform& os) { os.drives[L"Z:\\"] = DriveKind::kRemote; },
       {},
       false},
      // Drive letters, the ends of the alphabet included, and what is next to them.
      {"drive A", L"A:\\UNWISE.EXE", [](FakePlatform&) {}, {L"A:\\"}, true},
      {"drive z", L"z:\\UNWISE.EXE", [](FakePlatform&) {}, {L"z:\\"}, true},
      {"a link on the way", kFile, link, {kRoot, kAbove}, false},
      {"a missing folder",
       kFile,
       [](FakePlatform& os) { os.missing_folders.insert(kAbove); },
       {kRoot, kAbove},
       false},
      // Every folder is read before the file is looked for.
      {"all trusted", kFile, [](FakePlatform&) {}, {kRoot, kAbove, kFolder, kFile}, true},
  };
  for (const Case& c : cases) {
    Machine machine;
    c.arrange(machine.os);
    const Walk walk = machine.Check(c.path);
    EXPECT_EQ(machine.os.security_reads, c.read) << c.what;
    EXPECT_EQ(!machine.os.searched_paths.empty(), c.searched) << c.what;
    EXPECT_EQ(walk.refused_on_the_way, !c.searched && !walk.missing) << c.what;
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
  const Walk walk = machine.Check();
  ASSERT_EQ(walk.check.findings.size(), 2u);
  EXPECT_NE(Describe(walk.check.findings[1])
                .find(L"owns it, so may change its permissions (whether "
                      L"it belongs to Administrators could not be "
                      L"resolved: no answer within 15 s)"),
            std::wstring::npos)
      << fake::Narrow(Describe(walk.check.findings[1]));

  // The next entry has 15 s of its own.
  TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
  judge.BeginEntry();
  machine.os.security[kFolder] = AdminsWith(kAdmins, rights::kWriteData);
  EXPECT_TRUE(
      judge.CheckFile(*WinPath::Qualified(kFile), NamesFor(L"uninstaller"), Role::kProgramFolder)
          .check.trusted());
}

// Whoever may write the entry chooses which uninstaller runs on which log.
TEST(Trust, WhoMayChangeTheEntryOrTheKeyThatHoldsIt) {
  struct Case {
    const char* what;
    Role role;
    SecurityRead security;
    std::wstring finding;  // empty: trusted
    std::size_t count = 1;
  };
  const Case cases[] = {
      // A registry link's own owner and permissions are read, and judged too.
      {"a link, owned by a user", Role::kOrderKey,
       [] {
         SecurityRead read = Owned(kDomainUser, {});
         read.link = true;
         return read;
       }(),
       L"entry [HKLM\\X]: is a registry link, whose target is not judged\nentry [HKLM\\X]: "
       L"S-1-5-21-9-9-9-1200 owns it",
       2},
      {"entry: administrators alone", Role::kEntryKey, Owned(kAdmins, {{kUsers, rights::kKeyRead}}),
       L""},
      {"entry: a user's own", Role::kEntryKey, Owned(kDomainUser, {}), L"owns it"},
      {"entry: set values", Role::kEntryKey, AdminsWith(kUsers, rights::kKeySetValue),
       L"entry [HKLM\\X]: S-1-5-32-545 may set values"},
      {"entry: create subkeys", Role::kEntryKey, AdminsWith(kUsers, rights::kKeyCreateSubKey),
       L"may create subkeys"},
      {"entry: delete", Role::kEntryKey, AdminsWith(kUsers, rights::kDelete), L"may delete"},
      {"entry: permissions", Role::kEntryKey, AdminsWith(kUsers, rights::kWriteDac),
       L"may change permissions"},
      {"entry: ownership", Role::kEntryKey, AdminsWith(kUsers, rights::kWriteOwner),
       L"may take ownership"},
      {"entry: generic write, as a key maps it", Role::kEntryKey,
       AdminsWith(kEveryone, rights::kGenericWrite), L"S-1-1-0 may set values, create subkeys"},
      // A user may add an entry of their own, which they then own.
      {"uninstall key: create subkeys", Role::kUninstallKey,
       AdminsWith(kUsers, rights::kKeyCreateSubKey | rights::kKeySetValue), L""},
      {"uninstall key: permissions", Role::kUninstallKey, AdminsWith(kUsers, rights::kWriteDac),
       L"S-1-5-32-545 may change permissions"},
      {"uninstall key: owner", Role::kUninstallKey, Owned(kEveryone, {}), L"S-1-1-0 owns it"},
      {"uninstall key: unreadable", Role::kUninstallKey,
       [] {
         SecurityRead read;
         read.error = 5;
         return read;
       }(),
       L"its security cannot be read (error 5)"},
  };
  for (const Case& c : cases) {
    Machine machine;
    TrustJudge judge(machine.os.sources(), Judging::kEveryFinding);
    const std::vector<Finding> findings = judge.CheckKey(c.security, c.role, L"entry", L"HKLM\\X");
    if (c.finding.empty()) {
      EXPECT_TRUE(findings.empty()) << c.what << ": " << fake::Narrow(Describe(findings[0]));
      continue;
    }
    std::wstring all;
    for (const Finding& finding : findings) all += Describe(finding) + L"\n";
    ASSERT_EQ(findings.size(), c.count) << c.what << ": " << fake::Narrow(all);
    EXPECT_NE(all.find(c.finding), std::wstring::npos) << c.what << ": " << fake::Narrow(all);
  }
}

}  // namespace
}  // namespace tarnweld::trust
