#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// A folder inside another, as a listing names it.
struct Subfolder {
  std::wstring name;
  bool link = false;  // a junction or symbolic link: not to be entered
};

struct Subfolders {
  std::uint32_t error = 0;  // not 0: the folder could not be listed
  std::vector<Subfolder> folders;
};

// What reading a whole file found.
struct FileRead {
  std::uint32_t error = 0;  // not 0: it could not be read
  bool too_large = false;   // larger than was allowed; `bytes` holds nothing then
  std::string bytes;
};

// File search. Read only.
class FileSearch {
 public:
  virtual ~FileSearch() = default;

  // Looks up `path` (fully qualified, no wildcards) as it stands.
  virtual FileFound Find(const std::wstring& path) = 0;
  // The folders right inside `folder`, listed without entering any.
  virtual Subfolders FoldersIn(const std::wstring& folder) = 0;
  // The normal file at `path`, whole when it is no larger than `most_bytes`;
  // opened to read it only, never through a link.
  virtual FileRead ReadWhole(const std::wstring& path, std::size_t most_bytes) = 0;
};

}  // namespace tarnweld::platform
