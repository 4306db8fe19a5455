#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarnweld::platform {

// The image-name field of a process entry as the system fills it (UTF-16,
// MAX_PATH characters). Nothing guarantees a NUL inside it.
constexpr std::size_t kImageNameSize = 260;
using ImageName = std::array<wchar_t, kImageNameSize>;

// One process as a snapshot lists it.
struct ProcessEntry {
  ImageName name{};
  std::uint32_t id = 0;
  std::uint32_t parent_id = 0;  // the creator's id, which may since have been reused
};

// A process opened only to ask about it and to wait for it: nothing through
// it can change the process. Holding it keeps its id from being reused.
// Destroying it closes the handle.
class WatchedProcess {
 public:
  virtual ~WatchedProcess() = default;
  virtual std::uint32_t id() const = 0;
  // When it was created, in 100 ns units of the system clock; 0 when unknown.
  virtual std::uint64_t CreationTime() = 0;
  // False once it has ended.
  virtual bool Running() = 0;
};

// One snapshot of the system's processes. Destroying it closes the snapshot.
class ProcessSnapshot {
 public:
  virtual ~ProcessSnapshot() = default;

  // Process32FirstW / Process32NextW: true when `entry` was filled.
  virtual bool First(ProcessEntry* entry) = 0;
  virtual bool Next(ProcessEntry* entry) = 0;
};

// The user a process runs as, from its token.
struct ProcessUser {
  std::wstring sid;         // empty when it could not be read
  std::uint32_t error = 0;  // why not
};

class ProcessList {
 public:
  virtual ~ProcessList() = default;

  // Null when no snapshot can be taken.
  virtual std::unique_ptr<ProcessSnapshot> TakeSnapshot() = 0;
  // Opens the process `id` to ask about it and wait for it; null when it
  // cannot be opened (it has ended, or it is not ours to ask).
  virtual std::unique_ptr<WatchedProcess> Open(std::uint32_t id) = 0;
  // The user process `id` runs as, asked with query rights alone.
  virtual ProcessUser UserOf(std::uint32_t id) = 0;
  // How long process `id` has run, in milliseconds; none when it cannot be
  // asked.
  virtual std::optional<std::uint64_t> RunTime(std::uint32_t id) = 0;
  // The session process `id` runs in, and this process's own; none when it
  // cannot be asked.
  virtual std::optional<std::uint32_t> SessionOf(std::uint32_t id) = 0;
  virtual std::optional<std::uint32_t> OwnSession() = 0;
  // Its command line, only where the system gives it without reading the
  // process's memory (Windows 8.1 and later); none otherwise.
  virtual std::optional<std::wstring> CommandLineOf(std::uint32_t id) = 0;
};

}  // namespace tarnweld::platform
