#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/trust.h"
#include "core/win_path.h"
#include "core/wise_log.h"
#include "decide/temp_folder.h"
#include "platform/platform.h"

// What the uninstaller will do, as SYSTEM: the orders of its log in the
// order it obeys them, and whether any reaches what someone other than an
// administrator controls. A log that runs a program in a folder any user can
// change, or deletes inside a folder any user can turn into a junction,
// hands that user the uninstaller's rights.
namespace tarnweld {

// A log the uninstaller obeys is judged whole, or refused.
inline constexpr std::size_t kMostLogBytes = std::size_t{32} << 20;
inline constexpr std::size_t kMostLogLines = 500'000;
inline constexpr std::size_t kMostFoldersToRead = 20'000;
inline constexpr std::uint32_t kMostJudgingMs = 60'000;

enum class LogBound { kNone, kBytes, kLines, kFolders, kTime };

struct PlannedOrder {
  wise_log::Order order;
  // A program already deleted, by the order on this line, when its run comes.
  std::optional<std::size_t> deleted_by;
};

// Someone else could change what an order reaches.
struct OrderFinding {
  std::size_t line = 0;
  std::wstring kind;   // the order's kind ("run", "tree", ...), or "not understood"
  std::wstring order;  // its path, or its program and arguments, as written
  trust::Finding finding;
};

// A folder the uninstaller deletes in, deletes whole or removes, as the
// system resolves it: once it is gone, whoever makes it again decides what
// it holds.
struct EmptiedFolder {
  std::size_t line = 0;
  std::wstring kind;  // the order's kind: "file", "tree", "folder", ...
  WinPath folder;
  std::wstring pattern;  // a tree's: what it deletes inside the folder; empty: all of it
};

struct LogPlan {
  std::uint32_t read_error = 0;  // not 0: the log could not be read
  LogBound bound = LogBound::kNone;
  wise_log::WiseLog log;
  // Read whole, yet a log the uninstaller itself rejects.
  std::optional<wise_log::LineEndFault> line_end_fault;
  std::vector<PlannedOrder> plan;  // the uninstaller's order: the last line first
  bool judged = false;
  std::vector<OrderFinding> findings;
  std::vector<EmptiedFolder> emptied;  // in the uninstaller's order, as judged
  bool trusted() const {
    return judged && read_error == 0 && bound == LogBound::kNone && findings.empty();
  }
  bool rejected() const { return line_end_fault.has_value(); }
};

// The log at `path`, read whole through the read-only file wrapper, each
// line decoded as the system's code page decodes it; the plan in the
// uninstaller's order.
LogPlan ReadLog(const platform::Sources& sources, const std::wstring& path);

// Judges each order against the machine as the orders before it (in the
// uninstaller's order) will have left it: programs run or self-registered,
// the folders deleted in, trees, the folders above made folders, drives,
// and keys deleted or restored. Within the bounds, or not at all.
void JudgeOrders(const platform::Sources& sources, trust::TrustJudge& trust, LogPlan* plan);

// The files that starting `command` may run: as CreateProcess tries an
// unquoted command line (each prefix ending before a blank, ".exe" added
// where there is no extension) or the quoted program; then every fully
// qualified path among the arguments (rundll32 C:\X\Y.DLL,Entry).
struct RunTargets {
  std::vector<std::wstring> programs;  // in the order tried
  std::vector<std::wstring> arguments;
};
RunTargets TargetsOf(std::wstring_view command);

// A file name's wildcards as FindFirstFileW reads them, * and ? in any
// letter case; "*.*" matches names without a dot too.
bool MatchesPattern(std::wstring_view pattern, std::wstring_view name);

// `path` without the folders at or below one the plan empties, each left
// out with its reason: the uninstaller and every program after it would look
// for DLLs in a folder that anyone who may make it again has filled.
PathChoice WithoutEmptied(const PathChoice& path, const LogPlan& plan,
                          platform::FileSecurity& security);

// "log line 12, run [C:\OPEN\SETUP.EXE /U]: program folder [C:\OPEN]: Everyone (S-1-1-0) may ..."
std::wstring Describe(const OrderFinding& finding);

// The words for a bound passed: "the log is larger than 32 MiB", ...
std::wstring BoundWords(LogBound bound);

// "UNWISE.EXE reads only CRLF line ends, and line 3 ends in a line feed alone"
std::wstring LineEndWords(const wise_log::LineEndFault& fault);

}  // namespace tarnweld
