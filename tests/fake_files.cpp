#include "tests/fake_files.h"

namespace tarnweld::fake {

platform::SecurityRead Owned(const std::wstring& owner,
                             const std::vector<std::pair<std::wstring, std::uint32_t>>& allowed) {
  platform::SecurityRead read;
  read.owner = owner;
  read.has_access_list = true;
  for (const auto& [sid, mask] : allowed) {
    read.entries.push_back({platform::EntryKind::kAllow, false, mask, sid, false, {}});
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

platform::Subfolders FakeFiles::FoldersIn(const std::wstring& folder) {
  record_.events.push_back("list " + Narrow(folder));
  listed.push_back(folder);
  const auto inside = subfolders.find(folder);
  return {0, inside == subfolders.end() ? std::vector<platform::Subfolder>{} : inside->second};
}

platform::FileRead FakeFiles::ReadWhole(const std::wstring& path, std::size_t most_bytes) {
  record_.events.push_back("read " + Narrow(path));
  if (read_error != 0) return {read_error, false, {}};
  const auto found = contents.find(path);
  if (found == contents.end()) return {normal_files.count(path) ? 0u : 2u, false, {}};
  if (found->second.size() > most_bytes) return {0, true, {}};
  return {0, false, found->second};
}

platform::DriveKind FakeFiles::DriveOf(const std::wstring& root) {
  ++drives_asked;
  const auto drive = drives.find(root);
  return drive == drives.end() ? platform::DriveKind::kFixed : drive->second;
}

platform::SecurityRead FakeFiles::Read(const std::wstring& path) {
  record_.events.push_back("security " + Narrow(path));
  security_reads.push_back(path);
  record_.now += read_ms;
  if (missing_folders.count(path) != 0) {
    platform::SecurityRead missing;
    missing.error = platform::kFileNotFound;  // as for a missing last name
    return missing;
  }
  const auto given = security.find(path);
  if (given != security.end()) return given->second;
  return Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-5-32-545", 0xA0000000}});
}

std::wstring FakeFiles::Sha256(const std::wstring& path) {
  record_.events.push_back("digest " + Narrow(path));
  digested.push_back(path);
  const auto given = digests.find(path);
  if (given != digests.end()) return given->second;
  if (normal_files.count(path) == 0) return {};
  // FNV-1a of the path, four times over: distinct for distinct paths.
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const wchar_t c : path) hash = (hash ^ static_cast<std::uint64_t>(c)) * 0x100000001b3u;
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (int round = 0; round < 4; ++round) {
    for (int shift = 60; shift >= 0; shift -= 4) hex += kHex[(hash >> shift) & 0xF];
    hash = hash * 0x100000001b3u + static_cast<std::uint64_t>(round);
  }
  return hex;
}

platform::SidList FakeAccounts::AdministratorsMembers() {
  ++member_listings;
  return administrators;
}

namespace {

class FakeLookup final : public platform::AccountLookup {
 public:
  FakeLookup(Recorder& record, FakeAnswer answer)
      : record_(record), answer_(std::move(answer)), started_(record.now) {}

  // The clock moves while the caller waits, up to the answer's moment.
  bool Wait(std::uint32_t milliseconds) override {
    const std::uint32_t waited = record_.now - started_;
    if (answer_.after_ms && *answer_.after_ms <= waited + milliseconds) {
      if (*answer_.after_ms > waited) record_.now = started_ + *answer_.after_ms;
      return true;
    }
    record_.now += milliseconds;
    return false;
  }
  platform::AccountFound Answer() const override { return answer_.found; }

 private:
  Recorder& record_;
  FakeAnswer answer_;
  std::uint32_t started_;
};

}  // namespace

std::unique_ptr<platform::AccountLookup> FakeAccounts::LookUp(const std::wstring& sid) {
  record_.events.push_back("look up " + Narrow(sid));
  looked_up.push_back(sid);
  const auto scripted = answers.find(sid);
  if (scripted != answers.end()) return std::make_unique<FakeLookup>(record_, scripted->second);
  FakeAnswer answer;
  const auto member = indirect_members.find(sid);
  if (member != indirect_members.end()) {
    answer.found.membership = member->second.membership;
    answer.found.error = member->second.error;
  } else {
    answer.found.membership = platform::Membership::kNotMember;
  }
  const auto name = account_names.find(sid);
  if (name != account_names.end()) answer.found.name = name->second;
  return std::make_unique<FakeLookup>(record_, answer);
}

}  // namespace tarnweld::fake
