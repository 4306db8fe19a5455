#include "core/wise_log.h"

#include <algorithm>
#include <utility>

#include "core/text.h"

namespace tarnweld::wise_log {
namespace {

enum class Kind {
  kInformation,
  kFileCopy,
  kFileOverwrite,
  kNonSystem,
  kMadeDir,
  kShellLink,
  kFileTree,
  kRegKey,
  kRegTree,
  kRegPart,  // Val and Type: understood, their text not needed
  kRegName,
  kRegRoot,
  kRegOld,
  kSelfRegister,
  kExecute,
};

// Keywords in any letter case: the reference calls them case-sensitive, but
// logs in the wild write "Execute Path:" and "file tree:".
constexpr struct {
  std::wstring_view keyword;
  Kind kind;
} kKeywords[] = {
    {L"Title", Kind::kInformation},
    {L"Source", Kind::kInformation},
    {L"Backup Copy", Kind::kInformation},
    {L"Version", Kind::kInformation},
    {L"User Rights", Kind::kInformation},
    {L"System Restore", Kind::kInformation},
    {L"Link Info", Kind::kInformation},
    {L"File Copy", Kind::kFileCopy},
    {L"File Overwrite", Kind::kFileOverwrite},
    {L"Non-System File", Kind::kNonSystem},
    {L"Made Dir", Kind::kMadeDir},
    {L"Shell Link", Kind::kShellLink},
    {L"File Tree", Kind::kFileTree},
    {L"RegDB Key", Kind::kRegKey},
    {L"RegDB Tree", Kind::kRegTree},
    {L"RegDB Val", Kind::kRegPart},
    {L"RegDB Type", Kind::kRegPart},
    {L"RegDB Name", Kind::kRegName},
    {L"RegDB Root", Kind::kRegRoot},
    {L"RegDB Old", Kind::kRegOld},
    {L"Self-Register", Kind::kSelfRegister},
    {L"Execute path", Kind::kExecute},
    {L"Execute Program", Kind::kExecute},
};

struct Recognised {
  Kind kind;
  std::wstring value;  // after the colon and the blanks that follow it
};

// Whether `line` starts with `prefix`, in any letter case.
bool StartsWith(std::wstring_view line, std::wstring_view prefix) {
  return text::EqualsIgnoringAsciiCase(line.substr(0, prefix.size()), prefix);
}

std::optional<Recognised> Recognise(std::wstring_view line) {
  // No keyword holds a colon: the first one ends it.
  const std::size_t colon = line.find(L':');
  for (const auto& [keyword, kind] : kKeywords) {
    if (colon != std::wstring_view::npos &&
        text::EqualsIgnoringAsciiCase(line.substr(0, colon), keyword)) {
      std::wstring_view value = line.substr(colon + 1);
      value.remove_prefix(std::min(value.find_first_not_of(L" \t"), value.size()));
      return Recognised{kind, std::wstring(value)};
    }
  }
  // The header of each session appended to the log, and an aborted one's end.
  if (StartsWith(line, L"***") || StartsWith(line, L"Installation Aborted")) {
    return Recognised{Kind::kInformation, {}};
  }
  return std::nullopt;
}

// Only these lines carry date, time, version, size and CRC after the path.
std::wstring PathBeforeFields(const std::wstring& value) {
  return value.substr(0, value.find(L" | "));
}

// One RegDB record as its lines come in.
struct Record {
  Record(std::size_t line, std::wstring first_text, bool tree, std::wstring key)
      : line(line), first_text(std::move(first_text)), tree(tree), key(std::move(key)) {}

  std::size_t line;
  std::wstring first_text;
  bool tree;
  std::wstring key;
  std::optional<std::wstring> name;
  std::optional<Root> root;
  bool restore = false;
  bool bad_root = false;
};

class Parser {
 public:
  Parser(platform::AnsiCodePage& code_page, const std::optional<WinPath>& windows)
      : code_page_(code_page) {
    if (windows)
      system_folders_ = {*windows, windows->Child(L"System"), windows->Child(L"System32")};
  }

  void Line(std::size_t number, std::string_view bytes) {
    if (bytes.empty()) return;
    const std::optional<std::wstring> decoded = code_page_.Decode(bytes);
    if (!decoded) {
      log_.undecoded.push_back(number);
      NotUnderstoodLine(number, {});
      return;
    }
    const std::wstring& line = *decoded;
    const std::size_t indent = line.find_first_not_of(L" \t");
    if (indent == std::wstring::npos) return;
    // The installer names, indented, the files it did not copy over newer ones.
    if (indent > 0 && not_copied_) {
      const std::optional<Recognised> file = Recognise(line.substr(indent));
      if (file && (file->kind == Kind::kFileCopy || file->kind == Kind::kFileOverwrite)) {
        Add(number, OrderKind::kNotCopied, PathBeforeFields(file->value));
        return;
      }
    }
    not_copied_ = false;
    const std::optional<Recognised> recognised = Recognise(line);
    if (!recognised) {
      EndRecord();
      non_system_ = false;
      NotUnderstoodLine(number, line);
      return;
    }
    Take(number, line, *recognised);
    not_copied_ = recognised->kind == Kind::kInformation && StartsWith(line, L"Version:") &&
                  text::EqualsIgnoringAsciiCase(std::wstring_view(recognised->value),
                                                std::wstring_view(L"Following file not copied."));
  }

  WiseLog Finish(std::size_t lines) {
    EndRecord();
    log_.lines = lines;
    return std::move(log_);
  }

 private:
  void Take(std::size_t number, const std::wstring& line, const Recognised& line_says) {
    const Kind kind = line_says.kind;
    const bool file_line = kind == Kind::kFileCopy || kind == Kind::kFileOverwrite;
    if (!file_line && kind != Kind::kNonSystem) non_system_ = false;
    switch (kind) {
      case Kind::kRegKey:
      case Kind::kRegTree:
        EndRecord();
        record_.emplace(number, line, kind == Kind::kRegTree, line_says.value);
        return;
      case Kind::kRegPart:
      case Kind::kRegName:
      case Kind::kRegRoot:
      case Kind::kRegOld:
        TakeRecordPart(number, line, line_says);
        return;
      default:
        break;
    }
    EndRecord();
    switch (kind) {
      case Kind::kNonSystem:
        non_system_ = true;
        return;
      case Kind::kFileCopy: {
        const std::wstring path = PathBeforeFields(line_says.value);
        Add(number, InSystemFolder(path) && !non_system_ ? OrderKind::kKept : OrderKind::kFile,
            path);
        return;
      }
      case Kind::kFileOverwrite:
        Add(number, OrderKind::kOverwritten, PathBeforeFields(line_says.value));
        return;
      case Kind::kMadeDir:
        Add(number, OrderKind::kFolder, line_says.value);
        return;
      case Kind::kShellLink:
        Add(number, OrderKind::kLink, line_says.value);
        return;
      case Kind::kFileTree:
        Add(number, OrderKind::kTree, line_says.value);
        return;
      case Kind::kSelfRegister:
        Add(number, OrderKind::kSelfRegister, line_says.value);
        return;
      case Kind::kExecute:
        Add(number, OrderKind::kRun, line_says.value);
        return;
      default:
        return;  // information
    }
  }

  void TakeRecordPart(std::size_t number, const std::wstring& line, const Recognised& part) {
    if (!record_) {  // a part of no record
      NotUnderstoodLine(number, line);
      return;
    }
    switch (part.kind) {
      case Kind::kRegName:
        record_->name = part.value;
        break;
      case Kind::kRegRoot:
        if (part.value.size() == 1 && part.value[0] >= L'0' && part.value[0] <= L'3') {
          record_->root = static_cast<Root>(part.value[0] - L'0');
        } else {
          record_->bad_root = true;
        }
        break;
      case Kind::kRegOld:
        record_->restore = true;
        break;
      default:
        break;  // Val, Type
    }
  }

  // A record under a root the uninstaller does not know orders nothing that
  // can be judged.
  void EndRecord() {
    if (!record_) return;
    Record record = std::move(*record_);
    record_.reset();
    if (record.bad_root) {
      NotUnderstoodLine(record.line, record.first_text);
      return;
    }
    Order order;
    order.line = record.line;
    order.kind = record.tree ? OrderKind::kRegistryTree : OrderKind::kRegistry;
    order.path = record.key;
    order.root = record.root.value_or(Root::kClassesRoot);
    if (!record.tree) {
      order.name = record.name.value_or(L"");
      order.restore = record.restore;
    }
    log_.orders.push_back(std::move(order));
  }

  void Add(std::size_t number, OrderKind kind, const std::wstring& path) {
    Order order;
    order.line = number;
    order.kind = kind;
    order.path = path;
    log_.orders.push_back(std::move(order));
  }

  bool InSystemFolder(const std::wstring& path) const {
    const std::optional<WinPath> file = WinPath::Qualified(path);
    const std::optional<WinPath> folder = file ? file->Parent() : std::nullopt;
    return folder && std::find(system_folders_.begin(), system_folders_.end(), *folder) !=
                         system_folders_.end();
  }

  void NotUnderstoodLine(std::size_t number, std::wstring text) {
    log_.not_understood.push_back({number, std::move(text)});
  }

  platform::AnsiCodePage& code_page_;
  std::vector<WinPath> system_folders_;
  WiseLog log_;
  std::optional<Record> record_;
  bool non_system_ = false;
  bool not_copied_ = false;  // the last line said the next ones were not copied
};

}  // namespace

WiseLog Parse(std::string_view bytes, platform::AnsiCodePage& code_page,
              const std::optional<WinPath>& windows) {
  Parser parser(code_page, windows);
  std::size_t number = 0;
  // A line feed is never part of a character in an ANSI code page.
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    parser.Line(++number, line);
    at = end + 1;
  }
  return parser.Finish(number);
}

std::optional<LineEndFault> FindLineEndFault(std::string_view bytes) {
  if (bytes.empty()) return LineEndFault{LineEndFault::Kind::kEmpty, 0};
  std::size_t line = 1;
  for (std::size_t at = 0; (at = bytes.find_first_of("\r\n", at)) != std::string_view::npos;
       ++line) {
    if (bytes[at] == '\n') return LineEndFault{LineEndFault::Kind::kLineFeedAlone, line};
    if (at + 1 == bytes.size() || bytes[at + 1] != '\n') {
      return LineEndFault{LineEndFault::Kind::kCarriageReturnAlone, line};
    }
    at += 2;
  }
  return std::nullopt;
}

const wchar_t* KindName(OrderKind kind) {
  switch (kind) {
    case OrderKind::kFile:
      return L"file";
    case OrderKind::kKept:
      return L"kept";
    case OrderKind::kOverwritten:
      return L"overwritten";
    case OrderKind::kNotCopied:
      return L"not-copied";
    case OrderKind::kFolder:
      return L"folder";
    case OrderKind::kLink:
      return L"link";
    case OrderKind::kTree:
      return L"tree";
    case OrderKind::kRegistry:
      return L"registry";
    case OrderKind::kRegistryTree:
      return L"registry-tree";
    case OrderKind::kSelfRegister:
      return L"self-register";
    case OrderKind::kRun:
      return L"run";
  }
  return L"";
}

const wchar_t* RootName(Root root) {
  switch (root) {
    case Root::kClassesRoot:
      return L"HKCR";
    case Root::kCurrentUser:
      return L"HKCU";
    case Root::kLocalMachine:
      return L"HKLM";
    case Root::kUsers:
      return L"HKU";
  }
  return L"";
}

}  // namespace tarnweld::wise_log
