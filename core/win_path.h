#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnweld {

// What the check of one path found, from the first rule that refused it.
enum class FileStatus {
  kFound,  // an existing normal file
  kEmpty,
  kNotFullyQualified,     // relative, rooted, drive-relative, \\.\ or \\?\ paths
  kForbiddenCharacter,    // wildcards (* ? < >), a stray quotation mark, | or a stream's colon
  kDevice,                // a DOS device name, or a path the system resolves to a device
  kNameEndsInDotOrSpace,  // Windows reads such a name without them, so another path
  kNotInCodePage,         // an ANSI program would read another path
  kNotSearched,           // the text passed; something on the way to the file did not
  kMissing,
  kDirectory,
  kHiddenOrSystem,
};

// How the rules take names that end in a space or a dot.
enum class DotsAndSpaces {
  kRefused,
  // Left to the walk, which judges the path as Windows resolves it: for one
  // of several readings of a command line, where "C:\APP\A.EXE /U" names
  // a folder "A.EXE " like any other.
  kAsResolved,
};

struct ParsedPath;

// A Windows path as Tarnweld judges it: on a drive (C:\...) or a network
// share (\\server\share\...). Its text stays as written: no 8.3 name is
// expanded and no \\?\ is put before it, which would skip the system's
// normalisation the walk relies on. Paths compare and order without regard
// to the case of a to z, part by part; a trailing backslash names the same
// folder. A drive's root (C:\), or a share (\\server\share), is the parent
// of nothing.
class WinPath {
 public:
  // The rules on a path's text alone, in this order: it is not empty, holds
  // no wildcard (* ? < >), quotation mark, | or colon past the drive's, is
  // fully qualified (X:\... or \\server\share\...; not the device and
  // literal namespaces \\.\ and \\?\), names no DOS device, and, unless
  // `names` says otherwise, no name in it ends in a space or a dot.
  static ParsedPath Parse(std::wstring_view text,
                          DotsAndSpaces names = DotsAndSpaces::kRefused);
  // Any text that starts as a fully qualified path does (X:\ or \\), as the
  // system gives a resolved path back: nothing else is looked at.
  static std::optional<WinPath> Qualified(std::wstring_view text);
  // Whether a fully qualified path starts at `at` in `text`.
  static bool StartsAt(std::wstring_view text, std::size_t at);

  const std::wstring& Text() const { return text_; }
  // The text without the backslashes that may end it; a root keeps its own.
  std::wstring FolderText() const;
  WinPath AsFolder() const { return WinPath(FolderText()); }
  std::optional<WinPath> Parent() const;
  // The last part: "UNWISE.EXE", "BIN" for C:\APP\BIN\; empty for a root.
  std::wstring Name() const;
  // The root it is on: C:\, or \\server\share.
  WinPath Drive() const;
  bool OnDrive() const;  // X:\..., not a network share
  bool IsRoot() const { return root_size_ == folder_size_; }
  // Whether it lies below `folder`, part by part: C:\Program Files (x86)
  // is not inside C:\Program Files, nor is a folder inside itself.
  bool IsInside(const WinPath& folder) const;
  // The name of the part right below `folder` on the way to this path;
  // empty when it is not inside it.
  std::wstring NameBelow(const WinPath& folder) const;
  WinPath Child(std::wstring_view name) const;

  friend bool operator==(const WinPath& a, const WinPath& b) { return a.key_ == b.key_; }
  friend bool operator!=(const WinPath& a, const WinPath& b) { return !(a == b); }
  friend bool operator<(const WinPath& a, const WinPath& b) { return a.key_ < b.key_; }

 private:
  explicit WinPath(std::wstring text);

  std::wstring text_;
  std::wstring key_;             // upper-cased a to z, without trailing backslashes but a root's
  std::size_t folder_size_ = 0;  // of the text without its trailing backslashes
  std::size_t root_size_ = 0;    // of the root within it
};

// A path's text judged by the rules, and the path when they passed.
struct ParsedPath {
  FileStatus status = FileStatus::kEmpty;  // kNotSearched when every rule passed
  std::optional<WinPath> path;
};

}  // namespace tarnweld
