#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {

// An existing normal file, opened to read it and nothing else: others may
// go on reading or deleting it meanwhile, but not writing it. A link or a
// folder is never opened. The one place either program opens a file.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::wstring& path);
  bool IsOpen() const { return file_.IsValid(); }
  DWORD error() const { return error_; }
  // Reads up to `size` bytes; false on failure, true with `*read` 0 at the end.
  bool Read(void* buffer, DWORD size, DWORD* read);

 private:
  ScopedFile file_;
  DWORD error_ = 0;
};

}  // namespace tarnweld::platform::win
