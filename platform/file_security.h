#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnweld::platform {

// What kind of drive a root such as C:\ is (GetDriveTypeW).
enum class DriveKind { kFixed, kRemovable, kRemote, kCdRom, kRamDisk, kUnknown };

enum class EntryKind { kAllow, kDeny, kOther };

// One entry of an access list. SIDs are in their text form (S-1-5-32-544);
// rights are numbered as the system numbers them.
struct AccessEntry {
  EntryKind kind = EntryKind::kOther;
  bool inherit_only = false;  // applies only to what is created below
  std::uint32_t mask = 0;
  std::wstring sid;
};

// A file's or folder's security, as read from the system.
struct SecurityRead {
  std::uint32_t error = 0;       // not 0: nothing could be read
  bool link = false;             // a junction or symbolic link
  std::wstring owner;            // empty: none reported
  bool has_access_list = false;  // false: a NULL list, or no security at all (FAT)
  std::vector<AccessEntry> entries;
};

// Read-only questions about who may change files and folders.
class FileSecurity {
 public:
  virtual ~FileSecurity() = default;

  // The path as the system resolves it: `..`, `.`, forward slashes and
  // trailing dots dealt with. Empty when it cannot be resolved.
  virtual std::wstring FullPath(const std::wstring& path) = 0;
  virtual DriveKind DriveOf(const std::wstring& root) = 0;
  // The owner and the access list of a file or folder.
  virtual SecurityRead Read(const std::wstring& path) = 0;
};

}  // namespace tarnweld::platform
