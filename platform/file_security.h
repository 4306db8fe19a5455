#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnweld::platform {

// What kind of drive a root such as C:\ is (GetDriveTypeW).
enum class DriveKind { kFixed, kRemovable, kRemote, kCdRom, kRamDisk, kMissing, kUnknown };

enum class EntryKind {
  kAllow,
  kDeny,
  kAllowUnread,  // grants by rules the trust check does not read: object, callback-object, compound
  kOther,        // audit, label and the like: grants nothing
};

// One entry of an access list. SIDs are in their text form (S-1-5-32-544);
// rights are numbered as the system numbers them.
struct AccessEntry {
  EntryKind kind = EntryKind::kOther;
  bool inherit_only = false;  // applies only to what is created below
  std::uint32_t mask = 0;
  std::wstring sid;
  bool inherited = false;  // copied from the parent, not written on the object itself
  std::wstring type;       // for kAllowUnread: "object", "callback-object", "compound", ...
};

// Errors of a read that found nothing at the path.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;

// A file's, folder's or key's security, as read from the system.
struct SecurityRead {
  std::uint32_t error = 0;       // not 0: nothing could be read
  bool link = false;             // a junction or symbolic link: nothing behind it was read
  std::wstring owner;            // empty: none reported
  bool has_access_list = false;  // false: a NULL list, or no security at all (FAT)
  std::vector<AccessEntry> entries;

  bool missing() const { return error == kFileNotFound || error == kPathNotFound; }
};

// Read-only questions about who may change files and folders.
class FileSecurity {
 public:
  virtual ~FileSecurity() = default;

  // The path as the system resolves it: `..`, `.`, forward slashes and
  // trailing dots dealt with, without asking any file system. Empty when it
  // cannot be resolved.
  virtual std::wstring FullPath(const std::wstring& path) = 0;
  virtual DriveKind DriveOf(const std::wstring& root) = 0;
  // The owner and the access list of a file or folder. A link is reported
  // as one and never followed: its target may be a network path.
  virtual SecurityRead Read(const std::wstring& path) = 0;
};

}  // namespace tarnweld::platform
