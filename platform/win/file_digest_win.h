#pragma once

#include <string>

#include "platform/file_digest.h"

namespace tarnweld::platform::win {

// SHA-256 by advapi32's CryptoAPI (Windows XP SP3 on), over ReadOnlyFile.
class CryptoDigest final : public FileDigest {
 public:
  std::wstring Sha256(const std::wstring& path) override;
};

}  // namespace tarnweld::platform::win
