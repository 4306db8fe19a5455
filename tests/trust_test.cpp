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
  }
  TrustCheck Check(const std::wstring& path = kFile) {
    return TrustJudge(os, os).Check(path, L"uninstaller");
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
       L"uninstaller folder [C:\\App\\Bin]: Authenticated Users (S-1-5-11) may add files, delete"},
      {"folder: delete children", on(kFolder, AdminsWith(kUsers, rights::kDeleteChild)),
       L"uninstaller folder [C:\\App\\Bin]: S-1-5-32-545 may delete what it holds"},
      {"folder: add a subfolder", on(kFolder, AdminsWith(kUsers, rights::kAppendData)), L""},
      {"folder: take ownership", on(kFolder, AdminsWith(kUsers, rights::kWriteOwner)),
       L"may take ownership"},
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
                             {EntryKind::kDeny, false, rights::kGenericAll, kEveryone});
         return read;
       }()), L"S-1-1-0 may write"},
      {"deny alone grants nothing", on(kFile, [] {
         SecurityRead read = Owned(kAdmins, {});
         read.entries.push_back({EntryKind::kDeny, false, rights::kGenericAll, kEveryone});
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
      {"a link", on(kFolder, [] {
         SecurityRead read = Owned(kAdmins, {});
         read.link = true;
         return read;
       }()), L"[C:\\App\\Bin]: is a junction or symbolic link"},
      // Principals.
      {"SYSTEM, TrustedInstaller and Power Users",
       on(kFile, Owned(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                       {{L"S-1-5-18", rights::kGenericAll}, {L"S-1-5-32-547", 0x1301BF}})),
       L""},
      {"the caller", on(kFile, Owned(kCaller, {{kCaller, rights::kGenericAll}})), L""},
      {"a named administrator, as on XP", on(kFolder, Owned(kBob, {{kBob, rights::kGenericAll}})),
       L""},
      {"a group nested in Administrators", on(kFile, AdminsWith(kDomainAdmins, rights::kGenericAll)),
       L""},
      {"a member through its groups", on(kFile, Owned(kDomainAdmin, {})), L""},
      {"a domain user", on(kFile, AdminsWith(kDomainUser, rights::kWriteData)),
       L"S-1-5-21-9-9-9-1200 may write"},
      {"membership not resolved", on(kFile, AdminsWith(kUnresolvable, rights::kWriteData)),
       L"S-1-5-21-9-9-9-1300 may write (whether it belongs to Administrators could not be "
       L"resolved: error 1722)"},
      {"members not listed", [](FakePlatform& os) {
         os.administrators = {5, {}};
         os.security[kFile] = Owned(kBob, {});
       }, L"S-1-5-21-7-7-7-500 owns it, so may change its permissions (whether it belongs to "
          L"Administrators could not be resolved: error 5)"},
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
    const TrustCheck check = machine.Check();
    if (c.finding.empty()) {
      EXPECT_TRUE(check.trusted()) << c.what << ": " << fake::Narrow(Describe(check.findings[0]));
      continue;
    }
    ASSERT_EQ(check.findings.size(), 1u) << c.what;
    EXPECT_NE(Describe(check.findings[0]).find(c.finding), std::wstring::npos)
        << c.what << ": " << fake::Narrow(Describe(check.findings[0]));
  }
}

TEST(Trust, NetworkPathsAreNeverReadAndMembershipIsListedOncePerRun) {
  Machine machine;
  const TrustCheck unc = machine.Check(L"\\\\server\\share\\UNWISE.EXE");
  ASSERT_EQ(unc.findings.size(), 1u);
  EXPECT_NE(Describe(unc.findings[0]).find(L"not on a local drive"), std::wstring::npos);
  EXPECT_TRUE(machine.os.security_reads.empty());

  TrustJudge judge(machine.os, machine.os);
  machine.os.security[kFile] = Owned(kDomainUser, {});
  machine.os.security[kFolder] = Owned(kBob, {});
  EXPECT_FALSE(judge.Check(kFile, L"log").trusted());
  EXPECT_FALSE(judge.Check(kFile, L"log").trusted());
  EXPECT_EQ(machine.os.member_listings, 1);
  EXPECT_EQ(machine.os.security_reads.size(), 8u) << "file, folder, above and root, twice";
}

}  // namespace
}  // namespace tarnweld::trust
