#include "tests/fake_files.h"

namespace tarnweld::fake {

platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed) {
  platform::SecurityRead read;
  read.owner = owner;
  read.has_access_list = true;
  for (const auto& [sid, mask] : allowed) {
    read.entries.push_back({platform::EntryKind::kAllow, false, mask, sid});
  }
  return read;
}

platform::FileFound FakeFiles::Find(const std::wstring& path) {
  record_.events.push_back("find " + Narrow(path));
  searched_paths.push_back(path);
  if (normal_files.count(path) != 0) return {platform::FileKind::kNormalFile, 0};
  const auto other = other_files.find(path);
  if (other != other_files.end()) return {other->second, 0};
  return {platform::FileKind::kMissing, 2};
}

platform::DriveKind FakeFiles::DriveOf(const std::wstring& root) {
  const auto drive = drives.find(root);
  return drive == drives.end() ? platform::DriveKind::kFixed : drive->second;
}

platform::SecurityRead FakeFiles::Read(const std::wstring& path) {
  record_.events.push_back("security " + Narrow(path));
  security_reads.push_back(path);
  const auto given = security.find(path);
  if (given != security.end()) return given->second;
  return Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-5-32-545", 0xA0000000}});
}

platform::SidList FakeAccounts::AdministratorsMembers() {
  ++member_listings;
  return administrators;
}

platform::MembershipFound FakeAccounts::AdministratorThroughGroups(const std::wstring& sid) {
  const auto found = indirect_members.find(sid);
  if (found != indirect_members.end()) return found->second;
  return {platform::Membership::kNotMember, 0};
}

std::wstring FakeAccounts::NameOf(const std::wstring& sid) {
  const auto name = account_names.find(sid);
  return name == account_names.end() ? L"" : name->second;
}

}  // namespace tarnweld::fake
