#pragma once

#include <string>

namespace tarnweld::platform {

// A file's content, summed up with the system's own cryptography.
class FileDigest {
 public:
  virtual ~FileDigest() = default;

  // The SHA-256 of the normal file at `path`, in lower-case hexadecimal;
  // empty when it cannot be read whole. Opens it for reading only, and never
  // through a link.
  virtual std::wstring Sha256(const std::wstring& path) = 0;
};

}  // namespace tarnweld::platform
