#include "decide/log_orders.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "core/text.h"
#include "decide/uninstall_command.h"

namespace tarnweld {
namespace {

using trust::Role;
using wise_log::Order;
using wise_log::OrderKind;

using text::Bracketed;
using text::ErrorText;

constexpr std::wstring_view kBlanks = L" \t";

// The last name of a path as written, a command line's candidate included.
std::wstring_view LastName(std::wstring_view path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

}  // namespace

bool MatchesPattern(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*") pattern = L"*";
  std::size_t p = 0, n = 0, star = std::wstring_view::npos, retry = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      retry = n;
    } else if (p < pattern.size() &&
               (pattern[p] == L'?' || text::UpperAscii(pattern[p]) == text::UpperAscii(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++retry;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

namespace {

bool HasWildcard(std::wstring_view text) { return text.find_first_of(L"*?") != std::wstring::npos; }

// Each candidate once, in the order met.
void AddOnce(std::vector<std::wstring>* list, std::wstring candidate) {
  if (candidate.empty() || std::find(list->begin(), list->end(), candidate) != list->end()) return;
  list->push_back(std::move(candidate));
}

// "C:\X\SETUP" -> "C:\X\SETUP.exe": what CreateProcess tries for a name
// without an extension.
std::wstring WithExtension(std::wstring candidate) {
  if (LastName(candidate).find(L'.') == std::wstring_view::npos) candidate += L".exe";
  return candidate;
}

// What the uninstaller has deleted or removed by the time an order comes.
class Deletions {
 public:
  // A file, or a folder removed: everything below it is gone too.
  void Path(const WinPath& path, std::size_t line) { deleted_.emplace(path, line); }
  // Everything in `folder` whose name matches `pattern`, or the folder itself
  // and all it holds where the pattern is empty.
  void Tree(const WinPath& folder, const std::wstring& pattern, std::size_t line) {
    trees_.push_back({folder, pattern, line});
  }

  // The line that deleted `path`, a folder above it, or a tree holding it.
  std::optional<std::size_t> Gone(const WinPath& path) const {
    for (std::optional<WinPath> at = path; at; at = at->Parent()) {
      const auto deleted = deleted_.find(*at);
      if (deleted != deleted_.end()) return deleted->second;
    }
    for (const DeletedTree& tree : trees_) {
      if (tree.pattern.empty() && path == tree.folder) return tree.line;
      if (!path.IsInside(tree.folder)) continue;
      if (tree.pattern.empty() || MatchesPattern(tree.pattern, path.NameBelow(tree.folder))) {
        return tree.line;
      }
    }
    return std::nullopt;
  }

 private:
  struct DeletedTree {
    WinPath folder;
    std::wstring pattern;
    std::size_t line;
  };
  std::map<WinPath, std::size_t> deleted_;  // each with the first line that deleted it
  std::vector<DeletedTree> trees_;
};

trust::ObjectNames Names(const wchar_t* file, const wchar_t* folder, const wchar_t* above) {
  return {file, folder, above};
}

const trust::ObjectNames kProgramNames =
    Names(L"program", L"program folder", L"folder above the program");
const trust::ObjectNames kDeletedInNames = Names(L"", L"folder the uninstaller deletes in",
                                                 L"folder above one the uninstaller deletes in");
const trust::ObjectNames kTreeNames =
    Names(L"", L"folder of a deleted tree", L"folder above a deleted tree");
const trust::ObjectNames kMadeNames =
    Names(L"", L"folder above a removed folder", L"folder above a removed folder");
constexpr wchar_t kInTree[] = L"folder inside a deleted tree";
constexpr wchar_t kNearest[] = L"folder a missing file or folder would be put in";

trust::Finding Refusal(const std::wstring& object, const std::wstring& path,
                       const std::wstring& why) {
  return {object, path, L"", L"", why, Role::kFile, false};
}

class OrderJudge {
 public:
  OrderJudge(const platform::Sources& sources, trust::TrustJudge& trust, LogPlan* plan)
      : sources_(sources), trust_(trust), plan_(*plan), start_(sources.clock.TickMilliseconds()) {}

  void Run() {
    for (PlannedOrder& planned : plan_.plan) {
      if (Stopped()) return;
      Judge(planned);
    }
    for (const wise_log::NotUnderstood& line : plan_.log.not_understood) {
      if (Stopped()) return;
      JudgeNotUnderstood(line);
    }
    Stopped();  // the time the last order took counts too
  }

 private:
  // The folder walks already made: each folder judged once in each role.
  enum class Reach { kThere, kMissing, kBlocked };

  bool Stopped() {
    if (plan_.bound == LogBound::kNone &&
        platform::ElapsedSince(sources_.clock, start_) > kMostJudgingMs) {
      plan_.bound = LogBound::kTime;
    }
    if (plan_.bound != LogBound::kNone) return true;
    return !plan_.findings.empty() && trust_.judging() == trust::Judging::kUntilFirstFinding;
  }

  // Counts a folder read for the first time; false once there are too many.
  bool CountFolder() {
    if (++folders_ <= kMostFoldersToRead) return true;
    plan_.bound = LogBound::kFolders;
    return false;
  }

  void Add(const std::wstring& kind, std::size_t line, const std::wstring& order,
           std::vector<trust::Finding> findings) {
    for (trust::Finding& finding : findings) {
      // The same object, found wanting for the same reason, is told once.
      if (!reported_.emplace(text::UpperAsciiCopy(finding.path), finding.sid, finding.rights)
               .second) {
        continue;
      }
      plan_.findings.push_back({line, kind, order, std::move(finding)});
    }
  }

  void Judge(PlannedOrder& planned) {
    const Order& order = planned.order;
    current_ = {KindName(order.kind), order.line, order.path};
    switch (order.kind) {
      case OrderKind::kFile:
      case OrderKind::kOverwritten:
      case OrderKind::kNotCopied:  // what it deletes there is judged, as if it were
      case OrderKind::kLink:
      case OrderKind::kKept:
        DeletedIn(order);
        return;
      case OrderKind::kTree:
        Tree(order);
        return;
      case OrderKind::kFolder:
        Made(order);
        return;
      case OrderKind::kRegistry:
        Key(order);
        return;
      case OrderKind::kRegistryTree:
        Key(order);
        return;
      case OrderKind::kSelfRegister:
        Programs({order.path}, &planned);
        return;
      case OrderKind::kRun:
        Run(order.path, &planned);
        return;
    }
  }

  // A fully qualified path as the system resolves it; as written where it
  // cannot be.
  WinPath Full(const std::wstring& path) {
    if (std::optional<WinPath> full = WinPath::Qualified(sources_.security.FullPath(path))) {
      return *full;
    }
    return *WinPath::Qualified(path);
  }

  void Found(std::vector<trust::Finding> findings) {
    Add(current_.kind, current_.line, current_.order, std::move(findings));
  }

  // One object in one role, once a run.
  void JudgeOne(const WinPath& path, Role role, const std::wstring& object) {
    if (!judged_.emplace(role, path).second) return;
    Found(trust::Judge(trust_.Read(path), role, trust_.principals(), object, path.Text(),
                       trust_.judging()));
  }

  // The nearest folder above `path` that exists, in `role`.
  void Nearest(const WinPath& path, Role role) {
    for (std::optional<WinPath> folder = path.Parent(); folder; folder = folder->Parent()) {
      if (!trust_.Read(*folder).missing()) {
        JudgeOne(*folder, role, kNearest);
        return;
      }
    }
  }

  // From the drive down to `folder`, judged in `role`, those above it as
  // folders above. A missing folder's nearest existing one is judged in
  // `nearest`. Each walk once a run.
  Reach WalkTo(const WinPath& folder, Role role, const trust::ObjectNames& names) {
    const auto walked = walked_.find({role, folder});
    if (walked != walked_.end()) return walked->second;
    if (!CountFolder()) return Reach::kBlocked;
    const trust::Walk walk = trust_.CheckFolder(folder, names, role);
    const bool blocked = walk.refused_on_the_way ||
                         std::any_of(walk.check.findings.begin(), walk.check.findings.end(),
                                     [](const trust::Finding& f) { return !f.permissions; });
    Found(walk.check.findings);
    const Reach reach = blocked ? Reach::kBlocked : walk.missing ? Reach::kMissing : Reach::kThere;
    walked_.emplace(std::make_pair(role, folder), reach);
    if (reach == Reach::kMissing) Nearest(folder, Role::kNearestForFolder);
    return reach;
  }

  // A folder as the orders before will have left it: where they deleted
  // it, whoever may add a subfolder to the nearest one left decides.
  Reach Reached(const WinPath& folder, Role role, const trust::ObjectNames& names) {
    std::optional<WinPath> left = folder;
    while (left && deletions_.Gone(*left)) left = left->Parent();
    if (left == folder) return WalkTo(folder, role, names);
    if (!left) return Reach::kMissing;
    const Reach reach = WalkTo(*left, Role::kAbove, names);
    if (reach == Reach::kThere) JudgeOne(*left, Role::kNearestForFolder, kNearest);
    return Reach::kMissing;
  }

  // A path the uninstaller would resolve against its own current folder.
  bool Unqualified(const std::wstring& path, const wchar_t* object) {
    if (WinPath::StartsAt(path, 0)) return false;
    Found({Refusal(object, path, L"is not a fully qualified path")});
    return true;
  }

  void DeletedIn(const Order& order) {
    if (Unqualified(order.path, L"deleted file")) return;
    const WinPath full = Full(order.path);
    const std::optional<WinPath> folder = full.Parent();
    if (!folder) {
      Found({Refusal(L"deleted file", order.path, L"is not a file in a folder on a local drive")});
      return;
    }
    Reached(*folder, Role::kProgramFolder, kDeletedInNames);
    if (order.kind == OrderKind::kKept) return;
    deletions_.Path(full, order.line);
    // A drive's root is never removed, nor made again.
    if (folder->IsRoot()) return;
    plan_.emptied.push_back({order.line, KindName(order.kind), *folder, L""});
  }

  void Tree(const Order& order) {
    const std::wstring& written = order.path;
    if (Unqualified(written, L"deleted tree")) return;
    const WinPath full = Full(written);
    std::optional<WinPath> folder = full.AsFolder();
    std::wstring pattern;
    // Ending in a backslash, it names a folder; else a pattern, a file, or
    // what does not exist: everything of that name in its folder.
    if (written.back() != L'\\' &&
        (HasWildcard(LastName(written)) ||
         sources_.files.Find(full.Text()).kind != platform::FileKind::kDirectory)) {
      folder = full.Parent();
      pattern = full.Name();
    }
    if (!folder) {
      Found({Refusal(L"deleted tree", written, L"is not a folder on a local drive")});
      return;
    }
    if (Reached(*folder, Role::kProgramFolder, kTreeNames) == Reach::kThere &&
        !deletions_.Gone(*folder)) {
      Inside(*folder, pattern);
    }
    deletions_.Tree(*folder, pattern, order.line);
    plan_.emptied.push_back({order.line, KindName(order.kind), *folder, pattern});
  }

  // Every folder below `folder` that the tree's deletion reaches: a link
  // there would carry it elsewhere, an open one could become a link.
  void Inside(const WinPath& folder, const std::wstring& pattern) {
    std::vector<WinPath> to_list{folder};
    bool top = true;
    while (!to_list.empty() && !Stopped()) {
      const WinPath listing = to_list.back();
      to_list.pop_back();
      const platform::Subfolders listed = sources_.files.FoldersIn(listing.Text());
      if (listed.error != 0) {
        Found({Refusal(kInTree, listing.Text(),
                       L"cannot be listed (" + ErrorText(listed.error) + L")")});
      }
      for (const platform::Subfolder& sub : listed.folders) {
        if (top && !pattern.empty() && !MatchesPattern(pattern, sub.name)) continue;
        const WinPath path = listing.Child(sub.name);
        if (!CountFolder()) return;
        if (sub.link) {
          Found({Refusal(kInTree, path.Text(),
                         L"is a junction or symbolic link inside a tree the uninstaller deletes")});
          continue;
        }
        JudgeOne(path, Role::kProgramFolder, kInTree);
        const platform::SecurityRead& read = trust_.Read(path);
        if (read.error == 0 && !read.link) to_list.push_back(path);
      }
      top = false;
    }
  }

  // Removing a folder that is a junction removes only the junction; what is
  // above it decides which folder is removed. Once removed, it is gone for
  // every order obeyed after it.
  void Made(const Order& order) {
    if (Unqualified(order.path, L"removed folder")) return;
    const WinPath folder = Full(order.path).AsFolder();
    const std::optional<WinPath> parent = folder.Parent();
    if (!parent) {
      Found({Refusal(L"removed folder", order.path,
                     L"is not a folder in a folder on a local drive")});
      return;
    }
    Reached(*parent, Role::kAbove, kMadeNames);
    deletions_.Path(folder, order.line);
    plan_.emptied.push_back({order.line, KindName(order.kind), folder, L""});
  }

  // A key the uninstaller deletes or writes to, and the keys on the way to
  // it from its root down, each opened as itself: a link anywhere on the way
  // would carry the uninstaller to a key it points at. The key itself, or
  // the nearest one above it that exists, is judged.
  void Key(const Order& order) {
    const wise_log::Root root = order.root.value_or(wise_log::Root::kClassesRoot);
    std::vector<std::wstring> parts;
    for (std::size_t at = 0; at <= order.path.size();) {
      std::size_t end = order.path.find(L'\\', at);
      if (end == std::wstring::npos) end = order.path.size();
      if (end > at) parts.push_back(order.path.substr(at, end - at));
      at = end + 1;
    }
    std::wstring reached;  // the deepest key known to exist; empty: the root
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::wstring next = reached.empty() ? parts[i] : reached + L"\\" + parts[i];
      const platform::SecurityRead& read = KeyRead(root, next);
      if (read.missing()) {
        JudgeKey(root, reached, L"nearest existing key above a missing one");
        return;
      }
      // What cannot be read may be a link as well as not.
      if (read.error != 0 || read.link) {
        JudgeKey(root, next, i + 1 == parts.size() ? L"key" : L"key on the way to one it changes");
        return;
      }
      reached = next;
    }
    JudgeKey(root, reached, L"key");
  }

  static std::wstring KeyName(wise_log::Root root, const std::wstring& path) {
    const std::wstring root_name = wise_log::RootName(root);
    return path.empty() ? root_name : root_name + L"\\" + path;
  }

  const platform::SecurityRead& KeyRead(wise_log::Root root, const std::wstring& path) {
    return trust_.OrderKey(trust::KeyName(root, path), [&] { return KeySecurity(root, path); });
  }

  // One key judged once a run, as a key the uninstaller changes.
  void JudgeKey(wise_log::Root root, const std::wstring& path, const wchar_t* object) {
    if (!keys_judged_.emplace(root, path).second) return;
    Found(trust_.CheckKey(KeyRead(root, path), Role::kOrderKey, object, KeyName(root, path)));
  }

  platform::SecurityRead KeySecurity(wise_log::Root root, const std::wstring& path) {
    std::unique_ptr<platform::RegistryKey> key;
    const long status =
        sources_.registry.OpenKey(root, path, platform::RegistryView::kProgram, &key);
    if (status != platform::kRegSuccess || !key) {
      platform::SecurityRead unread;
      unread.error = static_cast<std::uint32_t>(status == platform::kRegSuccess ? 1 : status);
      return unread;
    }
    return key->Security();
  }

  void Run(const std::wstring& command, PlannedOrder* planned) {
    const RunTargets targets = TargetsOf(command);
    Programs(targets.programs, planned);
    for (const std::wstring& argument : targets.arguments) {
      if (Stopped()) return;
      Program(argument, nullptr, /*pass_over_unnameable=*/true);
    }
  }

  // The candidates in the order starting them tries them, up to the first
  // that exists.
  void Programs(const std::vector<std::wstring>& candidates, PlannedOrder* planned) {
    for (std::size_t i = 0; i < candidates.size() && !Stopped(); ++i) {
      const ProgramIs is = Program(candidates[i], planned, /*pass_over_unnameable=*/i > 0);
      if (is != ProgramIs::kMissing) return;
    }
  }

  enum class ProgramIs { kThere, kMissing, kRefused };

  // One file that may be run or loaded, as the uninstaller's own is judged.
  // Where it is one reading among others (a later candidate for the program,
  // or an argument: "C:\A.INI C:\B.INI" is two), text that no file could be
  // named as is passed over.
  ProgramIs Program(const std::wstring& path, PlannedOrder* planned, bool pass_over_unnameable) {
    const FileCheck text =
        CheckPath(sources_.code_page, path,
                  pass_over_unnameable ? DotsAndSpaces::kAsResolved : DotsAndSpaces::kRefused);
    if (text.status == FileStatus::kForbiddenCharacter && pass_over_unnameable) {
      return ProgramIs::kMissing;
    }
    // Spaces or dots that end the last name: Windows opens the file without
    // them, and so it is judged.
    if (text.status == FileStatus::kNameEndsInDotOrSpace) {
      const std::wstring opened = WithoutTrailingDotsAndSpaces(text.searched);
      if (CheckPath(sources_.code_page, opened).path) {
        return Program(opened, planned, pass_over_unnameable);
      }
    }
    if (!text.path) {
      Found({Refusal(L"program", path, L"is " + FileText(text))});
      return ProgramIs::kRefused;
    }
    const WinPath full = Full(text.searched);
    const std::optional<WinPath> folder = full.Parent();
    // A name that ends in a backslash is a folder's, never a file's.
    if (!folder || full.Text().back() == L'\\') {
      Found({Refusal(L"program", path, L"is not a file in a folder")});
      return ProgramIs::kRefused;
    }
    // The folders above its folder first; then its folder, in the role the
    // file gives it: a program's own, or where a missing one would be put.
    const std::optional<WinPath> above = folder->Parent();
    const Reach reach = Reached(above ? *above : *folder, Role::kAbove, kProgramNames);
    if (reach == Reach::kBlocked) return ProgramIs::kRefused;
    if (reach == Reach::kMissing) return ProgramIs::kMissing;
    // Deleted by then: whoever may add a file in its folder names it.
    const std::optional<std::size_t> gone = deletions_.Gone(full);
    if (gone && planned && !planned->deleted_by) planned->deleted_by = *gone;
    const platform::SecurityRead& read = trust_.Read(*folder);
    if (above && (read.missing() || deletions_.Gone(*folder))) {
      JudgeOne(*above, Role::kNearestForFolder, kNearest);
      return ProgramIs::kMissing;
    }
    if (read.error != 0 || read.link) {
      JudgeOne(*folder, Role::kProgramFolder, kProgramNames.folder);
      return ProgramIs::kRefused;
    }
    const platform::FileKind kind =
        gone ? platform::FileKind::kMissing : sources_.files.Find(full.Text()).kind;
    if (kind == platform::FileKind::kNormalFile || kind == platform::FileKind::kHiddenOrSystem) {
      JudgeOne(*folder, Role::kProgramFolder, kProgramNames.folder);
      JudgeOne(full, Role::kFile, kProgramNames.file);
      return ProgramIs::kThere;
    }
    JudgeOne(*folder, Role::kNearestForFile, kNearest);
    return ProgramIs::kMissing;
  }

  // A path in a line the uninstaller's log reader may understand after all.
  void JudgeNotUnderstood(const wise_log::NotUnderstood& line) {
    current_ = {L"not understood", line.line, line.text};
    if (line.text.empty()) {
      Found({Refusal(L"line", L"", L"holds bytes the system's code page does not decode")});
      return;
    }
    for (std::size_t at = 0; at < line.text.size(); ++at) {
      if (WinPath::StartsAt(line.text, at)) {
        Run(line.text.substr(at), nullptr);
        return;
      }
    }
  }

  struct Current {
    std::wstring kind;
    std::size_t line = 0;
    std::wstring order;
  };

  const platform::Sources& sources_;
  trust::TrustJudge& trust_;
  LogPlan& plan_;
  std::uint32_t start_;
  std::size_t folders_ = 0;
  Current current_;
  Deletions deletions_;
  // Each object judged, key judged, finding told and folder walked once (a
  // walk, with how it ended).
  std::set<std::pair<Role, WinPath>> judged_;
  std::set<trust::KeyName> keys_judged_;
  std::set<std::tuple<std::wstring, std::wstring, std::wstring>> reported_;  // path, SID, rights
  std::map<std::pair<Role, WinPath>, Reach> walked_;
};

}  // namespace

LogPlan ReadLog(const platform::Sources& sources, const std::wstring& path) {
  LogPlan plan;
  platform::FileRead read = sources.files.ReadWhole(path, kMostLogBytes);
  if (read.too_large) {
    plan.bound = LogBound::kBytes;
    return plan;
  }
  if (read.error != 0) {
    plan.read_error = read.error;
    return plan;
  }
  const std::size_t feeds =
      static_cast<std::size_t>(std::count(read.bytes.begin(), read.bytes.end(), '\n'));
  const bool unended = !read.bytes.empty() && read.bytes.back() != '\n';
  if (feeds + (unended ? 1 : 0) > kMostLogLines) {
    plan.bound = LogBound::kLines;
    return plan;
  }
  plan.line_end_fault = wise_log::FindLineEndFault(read.bytes);
  plan.log = wise_log::Parse(read.bytes, sources.code_page,
                             WinPath::Qualified(sources.system.WindowsDirectory()));
  for (auto order = plan.log.orders.rbegin(); order != plan.log.orders.rend(); ++order) {
    plan.plan.push_back({*order, std::nullopt});
  }
  return plan;
}

void JudgeOrders(const platform::Sources& sources, trust::TrustJudge& trust, LogPlan* plan) {
  // A log not read whole has no orders; its bound or error refuses it.
  OrderJudge(sources, trust, plan).Run();
  plan->judged = true;
}

namespace {

// Whether `folder` is at or below what `emptied` deletes in, deletes whole
// or removes: for a tree with a pattern, its folder and the folders inside
// it that the pattern names.
bool Empties(const EmptiedFolder& emptied, const WinPath& folder) {
  if (folder == emptied.folder) return true;
  if (!folder.IsInside(emptied.folder)) return false;
  return emptied.pattern.empty() ||
         MatchesPattern(emptied.pattern, folder.NameBelow(emptied.folder));
}

}  // namespace

PathChoice WithoutEmptied(const PathChoice& path, const LogPlan& plan,
                          platform::FileSecurity& security) {
  PathChoice left = path;
  left.kept.clear();
  for (const std::wstring& folder : path.kept) {
    std::optional<WinPath> full = WinPath::Qualified(security.FullPath(folder));
    if (!full) full = WinPath::Qualified(folder);
    const auto emptied = std::find_if(
        plan.emptied.begin(), plan.emptied.end(),
        [&](const EmptiedFolder& candidate) { return full && Empties(candidate, *full); });
    if (emptied == plan.emptied.end()) {
      left.kept.push_back(folder);
      continue;
    }
    left.dropped.push_back({folder, L"at or below " + Bracketed(emptied->folder.Text()) +
                                        L", which log line " + text::Decimal(emptied->line) +
                                        L" (" + emptied->kind +
                                        L") empties or removes: whoever makes it again "
                                        L"decides what it holds"});
  }
  return left;
}

RunTargets TargetsOf(std::wstring_view command) {
  RunTargets targets;
  const std::size_t start = command.find_first_not_of(kBlanks);
  if (start == std::wstring_view::npos) return targets;
  command.remove_prefix(start);
  // The arguments start after the closing quotation mark, or anywhere after
  // the first character of an unquoted line.
  std::size_t arguments_from = 1;
  if (command.front() == L'"') {
    const std::size_t close = command.find(L'"', 1);
    AddOnce(&targets.programs, std::wstring(command.substr(1, close - 1)));
    arguments_from = close == std::wstring_view::npos ? command.size() : close + 1;
  } else {
    for (std::size_t at = command.find_first_of(kBlanks);;
         at = command.find_first_of(kBlanks, at + 1)) {
      AddOnce(&targets.programs, WithExtension(std::wstring(command.substr(0, at))));
      if (at == std::wstring_view::npos) break;
    }
  }
  for (std::size_t at = std::max<std::size_t>(arguments_from, 1); at < command.size(); ++at) {
    const wchar_t before = command[at - 1];
    if (std::wstring_view(L" \t\"=,").find(before) == std::wstring_view::npos ||
        !WinPath::StartsAt(command, at)) {
      continue;
    }
    const std::wstring_view rest = command.substr(at);
    if (before == L'"') {
      AddOnce(&targets.arguments, std::wstring(rest.substr(0, rest.find(L'"'))));
      continue;
    }
    // Each prefix ending before a blank, cut where rundll32 cuts its entry.
    for (std::size_t end = rest.find_first_of(kBlanks);;
         end = rest.find_first_of(kBlanks, end + 1)) {
      const std::wstring_view candidate = rest.substr(0, end);
      AddOnce(&targets.arguments,
              std::wstring(candidate.substr(0, candidate.find_first_of(L",\""))));
      if (end == std::wstring_view::npos) break;
    }
  }
  return targets;
}

std::wstring Describe(const OrderFinding& finding) {
  std::wstring line = L"log line " + text::Decimal(finding.line) + L", " + finding.kind;
  if (!finding.order.empty()) line += L" " + Bracketed(finding.order);
  line += L": ";
  if (finding.finding.path.empty()) return line + finding.finding.rights;
  return line + trust::Describe(finding.finding);
}

std::wstring BoundWords(LogBound bound) {
  switch (bound) {
    case LogBound::kNone:
      break;
    case LogBound::kBytes:
      return L"the log is larger than " + text::Decimal(kMostLogBytes >> 20) +
             L" MiB, more than is judged";
    case LogBound::kLines:
      return L"the log has more than " + text::Grouped(kMostLogLines) +
             L" lines, more than are judged";
    case LogBound::kFolders:
      return L"its orders reach more than " + text::Grouped(kMostFoldersToRead) +
             L" folders, more than are read";
    case LogBound::kTime:
      return L"judging its orders took more than " + text::Decimal(kMostJudgingMs / 1000) + L" s";
  }
  return {};
}

std::wstring LineEndWords(const wise_log::LineEndFault& fault) {
  using Kind = wise_log::LineEndFault::Kind;
  switch (fault.kind) {
    case Kind::kEmpty:
      return L"UNWISE.EXE rejects an empty log";
    case Kind::kLineFeedAlone:
      return L"UNWISE.EXE reads only CRLF line ends, and line " + text::Decimal(fault.line) +
             L" ends in a line feed alone";
    case Kind::kCarriageReturnAlone:
      return L"UNWISE.EXE reads only CRLF line ends, and line " + text::Decimal(fault.line) +
             L" ends in a carriage return alone";
  }
  return {};
}

}  // namespace tarnweld
