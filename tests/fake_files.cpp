#include "tests/fake_files.h"

#include <algorithm>

#include "core/text.h"
#include "core/win_path.h"

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

// A plain loop over the characters: the sanitizer build is not optimised,
// and these comparisons are most of the time its bound tests take.
bool NoCase::operator()(const std::wstring& a, const std::wstring& b) const {
  const wchar_t* x = a.data();
  const wchar_t* y = b.data();
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const wchar_t upper_x = text::UpperAscii(x[i]);
    const wchar_t upper_y = text::UpperAscii(y[i]);
    if (upper_x != upper_y) return upper_x < upper_y;
  }
  return a.size() < b.size();
}

namespace {

// As GetFullPathNameW resolves it: forward slashes, "." and ".."; dots end
// no folder's name, and dots and spaces end no last name.
std::wstring Resolved(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (!WinPath::StartsAt(path, 0)) return path;
  const std::size_t root = path[1] == L':' ? 3 : path.find(L'\\', path.find(L'\\', 2) + 1);
  if (root == std::wstring::npos) return path;
  std::vector<std::wstring> names;
  for (std::size_t at = root; at < path.size();) {
    const std::size_t end = std::min(path.find(L'\\', at), path.size());
    std::wstring name = path.substr(at, end - at);
    const bool last = end >= path.size();
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != L".") {
      const std::size_t kept = name.find_last_not_of(last ? L". " : L".");
      names.push_back(name.substr(0, kept == std::wstring::npos ? 0 : kept + 1));
    }
    at = end + 1;
  }
  std::wstring resolved = path.substr(0, root);
  for (const std::wstring& name : names) {
    if (resolved.back() != L'\\') resolved += L'\\';
    resolved += name;
  }
  if (path.back() == L'\\' && resolved.back() != L'\\') resolved += L'\\';
  return resolved;
}

// The name a path is known by here: resolved, without a folder's ending
// backslash.
std::wstring KeyOf(const std::wstring& path) {
  const std::wstring resolved = Resolved(path);
  const std::optional<WinPath> qualified = WinPath::Qualified(resolved);
  return qualified ? qualified->FolderText() : resolved;
}

const std::wstring& PathOf(const std::wstring& path) { return path; }
template <typename T>
const std::wstring& PathOf(const std::pair<const std::wstring, T>& entry) {
  return entry.first;
}

// Whether `paths` holds `path` or anything below it.
template <typename Container>
bool HoldsOrIsBelow(const Container& paths, const std::wstring& path) {
  if (paths.count(path) != 0) return true;
  const std::wstring inside = path.back() == L'\\' ? path : path + L'\\';
  const auto next = paths.lower_bound(inside);
  return next != paths.end() &&
         text::EqualsIgnoringAsciiCase(std::wstring_view(PathOf(*next)).substr(0, inside.size()),
                                       std::wstring_view(inside));
}

}  // namespace

bool FakeFiles::Exists(const std::wstring& path) const {
  if (HoldsOrIsBelow(normal_files, path) || HoldsOrIsBelow(other_files, path) ||
      HoldsOrIsBelow(folders, path) || HoldsOrIsBelow(security, path) ||
      HoldsOrIsBelow(contents, path) || HoldsOrIsBelow(subfolders, path)) {
    return true;
  }
  // What a listing names is there too.
  const std::optional<WinPath> named = WinPath::Qualified(path);
  const std::optional<WinPath> parent = named ? named->Parent() : std::nullopt;
  if (!parent) return named.has_value();  // a drive's root
  std::size_t listed_now = 0;
  for (const auto& [folder, inside] : subfolders) listed_now += inside.size() + 1;
  if (listed_now != listed_count_) {
    listed_count_ = listed_now;
    listed_paths_.clear();
    for (const auto& [folder, inside] : subfolders) {
      for (const platform::Subfolder& sub : inside) {
        listed_paths_.insert(WinPath::Qualified(folder)->Child(sub.name).Text());
      }
    }
  }
  return HoldsOrIsBelow(listed_paths_, path);
}

platform::FileFound FakeFiles::Find(const std::wstring& path) {
  record_.events.push_back("find " + Narrow(path));
  searched_paths.push_back(path);
  const std::wstring at = KeyOf(path);
  // FindFirstFileW finds only a folder by a name that ends in a backslash.
  const std::wstring resolved = Resolved(path);
  const bool named_as_folder = !resolved.empty() && resolved.back() == L'\\';
  if (normal_files.count(at) != 0 && !named_as_folder) return {platform::FileKind::kNormalFile, 0};
  const auto other = other_files.find(at);
  if (other != other_files.end() &&
      (!named_as_folder || other->second == platform::FileKind::kDirectory)) {
    return {other->second, 0};
  }
  return {platform::FileKind::kMissing, 2};
}

platform::Subfolders FakeFiles::FoldersIn(const std::wstring& folder) {
  record_.events.push_back("list " + Narrow(folder));
  listed.push_back(folder);
  const auto inside = subfolders.find(KeyOf(folder));
  return {0, inside == subfolders.end() ? std::vector<platform::Subfolder>{} : inside->second};
}

platform::FileRead FakeFiles::ReadWhole(const std::wstring& path, std::size_t most_bytes) {
  record_.events.push_back("read " + Narrow(path));
  if (read_error != 0) return {read_error, false, {}};
  const std::wstring at = KeyOf(path);
  const auto found = contents.find(at);
  if (found == contents.end()) {
    if (normal_files.count(at) == 0) return {2, false, {}};
    return {0, false, kSomeLog};
  }
  if (found->second.size() > most_bytes) return {0, true, {}};
  return {0, false, found->second};
}

std::wstring FakeFiles::FullPath(const std::wstring& path) { return Resolved(path); }

platform::DriveKind FakeFiles::DriveOf(const std::wstring& root) {
  ++drives_asked;
  const auto drive = drives.find(root);
  return drive == drives.end() ? platform::DriveKind::kFixed : drive->second;
}

platform::SecurityRead FakeFiles::Read(const std::wstring& path) {
  record_.events.push_back("security " + Narrow(path));
  security_reads.push_back(path);
  record_.now += read_ms;
  const std::wstring at = KeyOf(path);
  platform::SecurityRead unknown;
  if (missing_folders.count(at) != 0) {
    unknown.error = platform::kFileNotFound;  // as for a missing last name
    return unknown;
  }
  const auto given = security.find(at);
  if (given != security.end()) return given->second;
  if (!Exists(at)) {
    unknown.error = kUnknownToTheFake;
    return unknown;
  }
  return Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-5-32-545", 0xA0000000}});
}

std::wstring FakeFiles::Sha256(const std::wstring& path) {
  record_.events.push_back("digest " + Narrow(path));
  digested.push_back(path);
  const auto given = digests.find(KeyOf(path));
  if (given != digests.end()) return given->second;
  if (normal_files.count(KeyOf(path)) == 0) return {};
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
