#pragma once

#include <windows.h>
// wincrypt.h must come after windows.h.
#include <wincrypt.h>

#include <string>

#include "platform/file_digest.h"

namespace tarnweld::platform::win {

// SHA-256 by advapi32's CryptoAPI (Windows XP SP3 on), over ReadOnlyFile.
class CryptoDigest final : public FileDigest {
 public:
  CryptoDigest() = default;
  ~CryptoDigest() override;
  CryptoDigest(const CryptoDigest&) = delete;
  CryptoDigest& operator=(const CryptoDigest&) = delete;
  std::wstring Sha256(const std::wstring& path) override;

 private:
  HCRYPTPROV provider_ = 0;
};

}  // namespace tarnweld::platform::win
