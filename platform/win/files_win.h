#pragma once

#include <string>

#include "platform/files.h"

namespace tarnweld::platform::win {

class SystemFileSearch final : public FileSearch {
 public:
  FileFound Find(const std::wstring& path) override;
  Subfolders FoldersIn(const std::wstring& folder) override;
  FileRead ReadWhole(const std::wstring& path, std::size_t most_bytes) override;
};

// GetFullPathNameW at any length; empty, with `*error` set, when it fails.
std::wstring FullPathName(const std::wstring& path, unsigned long* error);

}  // namespace tarnweld::platform::win
