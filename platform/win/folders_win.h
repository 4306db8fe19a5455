#pragma once

#include <string>

#include "platform/folders.h"

namespace tarnweld::platform::win {

class PrivateFolders final : public Folders {
 public:
  FolderMade MakePrivate(const std::wstring& parent, const std::wstring& caller_sid) override;
  bool RemoveIfEmpty(const std::wstring& path) override;
};

}  // namespace tarnweld::platform::win
