#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace tarnweld::platform::win {

class SystemRegistryListing final : public RegistryListing {
 public:
  long SubkeyNames(const std::wstring& path, RegistryView view,
                   std::vector<std::wstring>* names) override;
  std::vector<RegistryView> Views() override;
};

}  // namespace tarnweld::platform::win
