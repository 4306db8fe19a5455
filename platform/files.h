#pragma once

#include <cstdint>
#include <string>

namespace tarnweld::platform {

// What a search for one path found.
enum class FileKind {
  kNormalFile,  // an existing file: not a directory, device, hidden or system file
  kMissing,     // nothing found, or the search failed (see the error)
  kDirectory,
  kHiddenOrSystem,
  kDevice,  // a DOS device, such as NUL or COM1, in any folder
};

struct FileFound {
  FileKind kind = FileKind::kMissing;
  std::uint32_t error = 0;  // the system's error code where the search failed
};

// File search. Read only.
class FileSearch {
 public:
  virtual ~FileSearch() = default;

  // Looks up `path` (fully qualified, no wildcards) as it stands.
  virtual FileFound Find(const std::wstring& path) = 0;
};

}  // namespace tarnweld::platform
