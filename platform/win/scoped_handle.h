#pragma once

#include <windows.h>

#include <utility>

namespace tarnweld::platform::win {

// Sole owner of one handle; `Traits` says which value is "none" for its kind
// and how it is released. Movable, never copied.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  explicit ScopedHandle(Handle handle = Traits::None()) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Take()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool IsValid() const { return handle_ != Traits::None(); }
  Handle Get() const { return handle_; }

  // Closes what it holds and takes `handle`. The error of the call that
  // failed just before stays the thread's last error: closing can change it.
  void Reset(Handle handle = Traits::None()) {
    if (handle_ == handle) return;
    const DWORD error = ::GetLastError();
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
    ::SetLastError(error);
  }

  // Gives up ownership without closing.
  Handle Take() { return std::exchange(handle_, Traits::None()); }

 private:
  Handle handle_;
};

// Handles that CloseHandle releases, by what Windows hands back for "none".
struct NullIsNone {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
struct InvalidIsNone {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

// One kind each: CreateProcess, OpenProcess, CreateJobObject, CreateMutex
// and OpenProcessToken give null for none; CreateFile and
// CreateToolhelp32Snapshot INVALID_HANDLE_VALUE.
struct ProcessTraits : NullIsNone {};
struct ThreadTraits : NullIsNone {};
struct JobTraits : NullIsNone {};
struct MutexTraits : NullIsNone {};
struct TokenTraits : NullIsNone {};
struct EventTraits : NullIsNone {};
struct PortTraits : NullIsNone {};  // an I/O completion port
struct FileTraits : InvalidIsNone {};
struct SnapshotTraits : InvalidIsNone {};
struct FindTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::FindClose(handle); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::RegCloseKey(handle); }
};
// What the security and SID functions allocate for their caller.
struct LocalTraits {
  using Handle = void*;
  static Handle None() { return nullptr; }
  static void Close(Handle memory) { ::LocalFree(memory); }
};

using ScopedProcess = ScopedHandle<ProcessTraits>;
using ScopedThread = ScopedHandle<ThreadTraits>;
using ScopedJob = ScopedHandle<JobTraits>;
using ScopedMutex = ScopedHandle<MutexTraits>;
using ScopedToken = ScopedHandle<TokenTraits>;
using ScopedEvent = ScopedHandle<EventTraits>;
using ScopedPort = ScopedHandle<PortTraits>;
using ScopedFile = ScopedHandle<FileTraits>;
using ScopedSnapshot = ScopedHandle<SnapshotTraits>;
using ScopedFind = ScopedHandle<FindTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;
using ScopedLocal = ScopedHandle<LocalTraits>;

}  // namespace tarnweld::platform::win
