#include "check/mending.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/fake_platform.h"

namespace tarnweld::check {
namespace {

using trust::Finding;
using trust::Role;

constexpr wchar_t kGrant[] =
    L" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F "
    L"*S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464:(OI)(CI)F "
    L"*S-1-5-32-545:(OI)(CI)RX";

Finding Rights(const std::wstring& path, Role role) {
  return {L"x", path, L"", L"S-1-5-11", L"may write", role, true, false};
}
Finding Owner(const std::wstring& path, Role role) {
  return {L"x", path, L"", L"S-1-5-21-9-9-9-1200", L"owns it", role, true, true};
}
Finding Link(const std::wstring& path) {
  return {L"x", path, L"", L"", L"is a junction", Role::kAbove, false, false};
}

TEST(Mending, LinesForExactlyWhatWasFoundWantingAndNoneWhereTheyWouldReachTooFar) {
  // Untrusted SIDs written on each folder itself; Users is among them, but
  // the folder's line already replaces its entries.
  const std::map<std::wstring, std::vector<std::wstring>> explicit_sids = {
      {L"C:\\OLDAPP", {L"S-1-1-0", L"S-1-5-32-545", L"S-1-5-11"}}};
  struct Case {
    const char* what;
    std::vector<Finding> findings;
    std::vector<std::wstring> lines;  // empty: none, and why
  };
  const Case cases[] = {
      {"its folder",
       {Rights(L"C:\\OLDAPP", Role::kProgramFolder)},
       {L"icacls \"C:\\OLDAPP\"" + std::wstring(kGrant) +
        L" /remove:g *S-1-1-0 /remove:g *S-1-5-11"}},
      {"an owner, then its folder",
       {Owner(L"C:\\APPS\\OLD", Role::kProgramFolder)},
       {L"icacls \"C:\\APPS\\OLD\" /setowner *S-1-5-32-544",
        L"icacls \"C:\\APPS\\OLD\"" + std::wstring(kGrant)}},
      // The file alone: mended through its folder, then set to inherit.
      {"the file alone",
       {Owner(L"C:\\APPS\\OLD\\UNWISE.EXE", Role::kFile),
        Rights(L"C:\\APPS\\OLD\\UNWISE.EXE", Role::kFile)},
       {L"icacls \"C:\\APPS\\OLD\\UNWISE.EXE\" /setowner *S-1-5-32-544",
        L"icacls \"C:\\APPS\\OLD\"" + std::wstring(kGrant),
        L"icacls \"C:\\APPS\\OLD\\UNWISE.EXE\" /reset"}},
      // Unrelated paths, as a program and a DLL among its arguments: each its own.
      {"two paths",
       {Rights(L"C:\\TOOLS\\A.EXE", Role::kFile), Rights(L"C:\\TOOLSX", Role::kProgramFolder),
        Rights(L"C:\\TOOLS\\SUB", Role::kProgramFolder)},
       {L"icacls \"C:\\TOOLS\"" + std::wstring(kGrant), L"icacls \"C:\\TOOLS\\A.EXE\" /reset",
        L"icacls \"C:\\TOOLS\\SUB\" /reset", L"icacls \"C:\\TOOLSX\"" + std::wstring(kGrant)}},
      // The highest folder with a finding; what is below it inherits from it.
      {"a folder above and below",
       {Rights(L"C:\\APPS", Role::kAbove), Rights(L"C:\\APPS\\OLD", Role::kProgramFolder),
        Rights(L"C:\\APPS\\OLD\\UNWISE.EXE", Role::kFile)},
       {L"icacls \"C:\\APPS\"" + std::wstring(kGrant), L"icacls \"C:\\APPS\\OLD\" /reset",
        L"icacls \"C:\\APPS\\OLD\\UNWISE.EXE\" /reset"}},
      {"below the Program Files folder",
       {Rights(L"C:\\Program Files\\OldApp", Role::kFolder)},
       {L"icacls \"C:\\Program Files\\OldApp\"" + std::wstring(kGrant)}},
      {"inside a profile",
       {Rights(L"C:\\Users\\bob\\OldApp", Role::kFolder)},
       {L"icacls \"C:\\Users\\bob\\OldApp\"" + std::wstring(kGrant)}},
      // None where a line would reach far more than the installation.
      {"a drive's root", {Rights(L"C:\\", Role::kAbove)}, {}},
      {"a file at a drive's root", {Rights(L"D:\\INSTALL.LOG", Role::kFile)}, {}},
      {"the Windows folder", {Rights(L"c:\\windows\\UNWISE.EXE", Role::kFile)}, {}},
      {"below the Windows folder", {Rights(L"C:\\WINDOWS\\Old", Role::kFolder)}, {}},
      {"the Program Files folder", {Rights(L"C:\\Program Files (x86)", Role::kAbove)}, {}},
      {"ProgramData", {Rights(L"C:\\ProgramData", Role::kAbove)}, {}},
      {"the Users folder", {Rights(L"C:\\Users", Role::kAbove)}, {}},
      {"a profile's root", {Rights(L"C:\\Users\\bob", Role::kAbove)}, {}},
      {"an owner line on a profile's root",
       {Owner(L"C:\\Users\\bob", Role::kAbove), Rights(L"C:\\Users\\bob\\Old", Role::kFolder)},
       {}},
      {"a link", {Rights(L"C:\\APPS\\OLD", Role::kFolder), Link(L"C:\\APPS\\OLD\\SUB")}, {}},
  };
  fake::FakePlatform os;
  os.block = {L"ProgramFiles=C:\\Program Files", L"ProgramFiles(x86)=C:\\Program Files (x86)",
              L"ProgramData=C:\\ProgramData", L"PUBLIC=C:\\Users\\Public",
              L"USERPROFILE=C:\\WINDOWS\\system32\\config\\systemprofile"};
  const ProtectedFolders protect(os, os);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Mending mending = Mend(c.findings, protect, [&](const WinPath& folder) {
      const auto found = explicit_sids.find(folder.Text());
      return found == explicit_sids.end() ? std::vector<std::wstring>{} : found->second;
    });
    EXPECT_EQ(mending.lines, c.lines);
    EXPECT_EQ(mending.why_none.empty(), !c.lines.empty());
  }
}

TEST(Mending, TheUsersFolderIsPublicsOrOnXpAllUsersParentAndNeverARoot) {
  const struct {
    unsigned major_version;
    const wchar_t* all_users;
    const wchar_t* folder;
    bool protects;
  } rows[] = {
      {5, L"C:\\Documents and Settings\\All Users", L"C:\\Documents and Settings\\bob", true},
      {6, L"D:\\Data\\ProgramData", L"D:\\Data\\bob", false},  // ProgramData from Vista on
      {5, L"C:\\All Users", L"C:\\bob", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    fake::FakePlatform os;
    os.major_version = row.major_version;
    os.block = {std::wstring(L"ALLUSERSPROFILE=") + row.all_users};
    EXPECT_EQ(ProtectedFolders(os, os).Protects(*WinPath::Qualified(row.folder)), row.protects);
  }
}

}  // namespace
}  // namespace tarnweld::check
