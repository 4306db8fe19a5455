#pragma once

#include <windows.h>

namespace tarnweld::platform::win {

// Sole owner of one handle; `Traits` says which value is "none" and how the
// handle is released.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  explicit ScopedHandle(Handle handle = Traits::None()) : handle_(handle) {}
  ~ScopedHandle() {
    if (IsValid()) Traits::Close(handle_);
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
  Handle Release() {
    const Handle handle = handle_;
    handle_ = Traits::None();
    return handle;
  }

 private:
  Handle handle_;
};

// Process, thread and toolhelp snapshot handles.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
// CreateProcess and CreateJobObject hand back null, not INVALID_HANDLE_VALUE,
// for "no handle".
struct ProcessHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedProcessHandle = ScopedHandle<ProcessHandleTraits>;
using ScopedJobHandle = ScopedHandle<ProcessHandleTraits>;
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;

}  // namespace tarnweld::platform::win
