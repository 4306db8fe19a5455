#pragma once

#include <array>
#include <cstddef>
#include <memory>

namespace tarnweld::platform {

// The image-name field of a process entry as the system fills it (UTF-16,
// MAX_PATH characters). Nothing guarantees a NUL inside it.
constexpr std::size_t kImageNameSize = 260;
using ImageName = std::array<wchar_t, kImageNameSize>;

// One snapshot of the system's processes. Destroying it closes the snapshot.
class ProcessSnapshot {
 public:
  virtual ~ProcessSnapshot() = default;

  // Process32FirstW / Process32NextW: true when `name` was filled.
  virtual bool First(ImageName* name) = 0;
  virtual bool Next(ImageName* name) = 0;
};

class ProcessList {
 public:
  virtual ~ProcessList() = default;

  // Null when no snapshot can be taken.
  virtual std::unique_ptr<ProcessSnapshot> TakeSnapshot() = 0;
};

}  // namespace tarnweld::platform
