#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarnweld::platform {

// How waiting for the lock ended.
enum class LockWait {
  kTaken,
  kTakenAbandoned,  // its holder ended without letting go: taken all the same
  kMessage,         // a window message arrived first
  kTimeout,
  kFailed,
};

// The machine's one lock for Wise removals, open in this process.
// Destroying it lets go of it, if taken, and closes it.
class RemovalLock {
 public:
  virtual ~RemovalLock() = default;
  // Waits up to `milliseconds` to take it, or until a window message arrives.
  virtual LockWait TakeOrMessage(std::uint32_t milliseconds) = 0;
  // Who made it (its owner), as a SID; empty when unknown.
  virtual std::wstring MakerSid() = 0;
};

enum class LockFound {
  kMade,      // none existed: this one gives SYSTEM and Administrators full access, no one else any
  kExisting,  // opened with every right
  kDenied,    // exists, but may not be opened so
  kFailed,    // no such lock could be had (another kind of object has its name, say)
};

struct LockOpened {
  LockFound found = LockFound::kFailed;
  std::uint32_t error = 0;
  std::unique_ptr<RemovalLock> lock;  // null unless made or opened
};

// The machine-wide lock (Global\), named the same for every removal.
class RemovalLocks {
 public:
  virtual ~RemovalLocks() = default;
  // Makes it, owned by `caller_sid`, or opens the one that exists.
  virtual LockOpened Open(const std::wstring& caller_sid) = 0;
};

// Asks about the lock without ever taking it.
class RemovalLockProbe {
 public:
  virtual ~RemovalLockProbe() = default;
  // Whether it exists now: opening it only to wait on it succeeds, or is
  // refused. Never waits on it: a wait that succeeds takes it.
  virtual bool Exists() = 0;
};

}  // namespace tarnweld::platform
