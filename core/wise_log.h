#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/win_path.h"
#include "platform/code_page.h"
#include "platform/registry.h"

// A Wise installation log as the uninstaller reads it: one record a line,
// "Keyword: value", in the system's ANSI code page. The uninstaller obeys
// it from the last line up, as SYSTEM, so it is a program of its own.
namespace tarnweld::wise_log {

enum class OrderKind {
  kFile,          // File Copy: installed, deleted
  kKept,          // a File Copy in the Windows, System or System32 folder: kept
  kOverwritten,   // File Overwrite: existed and was replaced; judged as deleted
  kNotCopied,     // indented under "Version: Following file not copied.": a newer one stayed
  kFolder,        // Made Dir: removed when empty
  kLink,          // Shell Link: a shortcut, deleted
  kTree,          // File Tree: everything matching, folders included, deleted
  kRegistry,      // a RegDB record: deleted, or its old value restored
  kRegistryTree,  // RegDB Tree: a whole key deleted
  kSelfRegister,  // Self-Register: its registration undone, which loads it
  kRun,           // Execute path: run, and waited for
};

using Root = platform::RegistryRoot;

// One thing the log orders, where it stands in the log.
struct Order {
  std::size_t line = 0;  // from 1; a registry record's first line
  OrderKind kind = OrderKind::kFile;
  std::wstring path;         // as written: file, folder, pattern, key, or program and arguments
  std::optional<Root> root;  // registry orders
  std::optional<std::wstring> name;  // a value's name; empty for the default value
  bool restore = false;              // RegDB Old: the old value is written back
};

struct NotUnderstood {
  std::size_t line = 0;
  std::wstring text;  // empty when its bytes did not decode
};

struct WiseLog {
  std::vector<Order> orders;  // in the log's order, the first line first
  std::size_t lines = 0;
  std::vector<NotUnderstood> not_understood;  // in the log's order
  std::vector<std::size_t> undecoded;         // lines whose bytes did not decode
};

// The orders of a log, each line decoded before anything splits it: in code
// page 932, trail bytes include 0x5C (\) and 0x7C (|). CRLF or LF ends a
// line. A file copied into `windows`, its System or its System32 folder is
// kept unless Non-System File: stands before it. Nothing stops it: what it
// does not understand, it counts.
WiseLog Parse(std::string_view bytes, platform::AnsiCodePage& code_page,
              const std::optional<WinPath>& windows);

// The first line end the uninstaller does not read. It reads only CRLF (the
// last line may lack an end), refuses an empty log, and says so in a message
// box that waits for its button, removing nothing. A carriage return alone
// would also hide what follows it from a parser that splits at line feeds.
struct LineEndFault {
  enum class Kind { kEmpty, kLineFeedAlone, kCarriageReturnAlone };
  Kind kind = Kind::kEmpty;
  std::size_t line = 0;  // from 1; 0 for an empty log
};
std::optional<LineEndFault> FindLineEndFault(std::string_view bytes);

// "file", "kept", "overwritten", ...: the names in TarnweldCheck's JSON.
const wchar_t* KindName(OrderKind kind);
// "HKCR", "HKCU", "HKLM", "HKU".
const wchar_t* RootName(Root root);

}  // namespace tarnweld::wise_log
