#include "core/win_path.h"

#include <algorithm>

#include "core/text.h"

namespace tarnweld {
namespace {

constexpr wchar_t kSeparator = L'\\';

bool IsDrivePath(std::wstring_view text) {
  return text.size() >= 3 && text::IsAsciiLetter(text[0]) && text[1] == L':' &&
         text[2] == kSeparator;
}

// X:\... or \\server\share\..., where the server is no "." or "?" (the
// device and literal namespaces).
bool IsFullyQualified(std::wstring_view path) {
  if (path.size() > 3 && IsDrivePath(path)) return true;
  if (path.substr(0, 2) != L"\\\\") return false;
  const std::size_t server_end = path.find(kSeparator, 2);
  if (server_end == std::wstring_view::npos || server_end == 2) return false;
  const std::wstring_view server = path.substr(2, server_end - 2);
  if (server == L"." || server == L"?") return false;
  const std::size_t share_end = path.find(kSeparator, server_end + 1);
  return share_end != std::wstring_view::npos && share_end > server_end + 1 &&
         share_end + 1 < path.size();
}

// Wildcards to the file search (< and > too), a stray quotation mark, a
// pipe, and a colon past the drive's (an alternate data stream).
bool HasForbiddenCharacter(std::wstring_view path) {
  if (path.find_first_of(L"\"*?<>|") != std::wstring_view::npos) return true;
  return path.find(L':', 2) != std::wstring_view::npos;
}

// CON, NUL, COM1, LPT1 and the rest name devices in every folder, whatever
// extension follows (C:\App\con.log is the console on most Windows versions).
bool IsDeviceName(std::wstring_view path) {
  std::wstring_view name = path.substr(path.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.find(L'.'));
  name = name.substr(0, name.find_last_not_of(L' ') + 1);
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (text::EqualsIgnoringAsciiCase(name, device)) return true;
  }
  if (name.size() != 4) return false;
  const bool port = text::EqualsIgnoringAsciiCase(name.substr(0, 3), std::wstring_view(L"COM")) ||
                    text::EqualsIgnoringAsciiCase(name.substr(0, 3), std::wstring_view(L"LPT"));
  const wchar_t digit = name[3];
  return port && ((digit >= L'0' && digit <= L'9') || digit == L'\x00B9' || digit == L'\x00B2' ||
                  digit == L'\x00B3');
}

// A name ending in a space or a dot; "." and ".." are read alike
// wherever they stand.
bool HasNameEndingInDotOrSpace(std::wstring_view path) {
  for (std::size_t at = 0; at < path.size();) {
    std::size_t end = path.find_first_of(L"\\/", at);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view name = path.substr(at, end - at);
    if (!name.empty() && name != L"." && name != L".." &&
        (name.back() == L' ' || name.back() == L'.')) {
      return true;
    }
    at = end + 1;
  }
  return false;
}

}  // namespace

ParsedPath WinPath::Parse(std::wstring_view text, DotsAndSpaces names) {
  FileStatus status = FileStatus::kNotSearched;
  if (text.empty()) {
    status = FileStatus::kEmpty;
  } else if (HasForbiddenCharacter(text)) {
    status = FileStatus::kForbiddenCharacter;
  } else if (!IsFullyQualified(text)) {
    status = FileStatus::kNotFullyQualified;
  } else if (IsDeviceName(text)) {
    status = FileStatus::kDevice;
  } else if (names == DotsAndSpaces::kRefused && HasNameEndingInDotOrSpace(text)) {
    status = FileStatus::kNameEndsInDotOrSpace;
  }
  if (status != FileStatus::kNotSearched) return {status, std::nullopt};
  return {status, WinPath(std::wstring(text))};
}

std::optional<WinPath> WinPath::Qualified(std::wstring_view text) {
  if (!StartsAt(text, 0)) return std::nullopt;
  return WinPath(std::wstring(text));
}

bool WinPath::StartsAt(std::wstring_view text, std::size_t at) {
  const std::wstring_view rest = text.substr(std::min(at, text.size()));
  return IsDrivePath(rest) || rest.substr(0, 2) == L"\\\\";
}

WinPath::WinPath(std::wstring text) : text_(std::move(text)) {
  const std::size_t shortest = IsDrivePath(text_) ? 3 : 2;
  folder_size_ = text_.find_last_not_of(kSeparator) + 1;
  if (folder_size_ < shortest) folder_size_ = std::min(shortest, text_.size());
  if (IsDrivePath(text_)) {
    root_size_ = 3;
  } else {
    // \\server\share: the server's name and the share's.
    const std::size_t server_end = text_.find(kSeparator, 2);
    const std::size_t share_end =
        server_end == std::wstring::npos ? server_end : text_.find(kSeparator, server_end + 1);
    root_size_ = std::min(share_end, folder_size_);
    if (server_end == std::wstring::npos || server_end >= folder_size_) root_size_ = folder_size_;
  }
  key_ = text::UpperAsciiCopy(std::wstring_view(text_).substr(0, folder_size_));
}

std::wstring WinPath::FolderText() const { return text_.substr(0, folder_size_); }

std::optional<WinPath> WinPath::Parent() const {
  if (IsRoot()) return std::nullopt;
  const std::size_t last = text_.find_last_of(kSeparator, folder_size_ - 1);
  return WinPath(text_.substr(0, std::max(last, root_size_)));
}

std::wstring WinPath::Name() const {
  if (IsRoot()) return {};
  const std::size_t last = text_.find_last_of(kSeparator, folder_size_ - 1);
  return text_.substr(last + 1, folder_size_ - last - 1);
}

WinPath WinPath::Drive() const { return WinPath(text_.substr(0, root_size_)); }

bool WinPath::OnDrive() const { return IsDrivePath(text_); }

bool WinPath::IsInside(const WinPath& folder) const {
  const std::wstring& above = folder.key_;
  return key_.size() > above.size() && key_.compare(0, above.size(), above) == 0 &&
         (above.back() == kSeparator || key_[above.size()] == kSeparator);
}

std::wstring WinPath::NameBelow(const WinPath& folder) const {
  if (!IsInside(folder)) return {};
  const std::size_t start = folder.key_.size() + (folder.key_.back() == kSeparator ? 0 : 1);
  const std::size_t end = key_.find(kSeparator, start);
  return text_.substr(start, (end == std::wstring::npos ? key_.size() : end) - start);
}

WinPath WinPath::Child(std::wstring_view name) const {
  std::wstring child = FolderText();
  if (child.back() != kSeparator) child += kSeparator;
  return WinPath(child + std::wstring(name));
}

}  // namespace tarnweld
