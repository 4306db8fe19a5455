#pragma once

#include <string>
#include <vector>

#include "platform/environment.h"

namespace tarnweld::platform::win {

class ProcessEnvironment final : public Environment {
 public:
  std::wstring Variable(const std::wstring& name) override;
  std::vector<std::wstring> Block() override;
  std::wstring TempPath() override;
};

}  // namespace tarnweld::platform::win
