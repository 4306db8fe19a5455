#pragma once

#include <string>

#include "platform/file_security.h"

namespace tarnweld::platform::win {

class SystemFileSecurity final : public FileSecurity {
 public:
  std::wstring FullPath(const std::wstring& path) override;
  DriveKind DriveOf(const std::wstring& root) override;
  SecurityRead Read(const std::wstring& path) override;
};

// The text form of a SID (S-1-5-18); empty when it has none.
std::wstring SidText(void* sid);

// An owner SID and an access list (PACL) as the trust rule reads them, for
// files and keys alike.
SecurityRead SecurityOf(void* owner, void* access_list);

}  // namespace tarnweld::platform::win
