#pragma once

#include <cstdint>
#include <string>

namespace tarnweld::platform {

struct FolderMade {
  std::wstring path;        // empty when none was made
  std::uint32_t error = 0;  // why not
};

// The one thing Tarnweld.exe ever writes: a temporary folder for the
// uninstaller, when no existing one can be trusted.
class Folders {
 public:
  virtual ~Folders() = default;

  // Creates a folder with a name no one can know in advance inside
  // `parent`, its access list set in the same call: full control for SYSTEM,
  // Administrators and `caller_sid`, nothing inherited. Fails rather than
  // use a folder that already exists.
  virtual FolderMade MakePrivate(const std::wstring& parent, const std::wstring& caller_sid) = 0;
  // Removes `path` if it is an empty folder; leaves it otherwise.
  virtual bool RemoveIfEmpty(const std::wstring& path) = 0;
};

}  // namespace tarnweld::platform
