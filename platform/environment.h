#pragma once

#include <string>
#include <vector>

namespace tarnweld::platform {

// This process's environment, read only.
class Environment {
 public:
  virtual ~Environment() = default;

  // The variable's value; empty when it is not set.
  virtual std::wstring Variable(const std::wstring& name) = 0;
  // Every "NAME=value" string, in the block's order, the hidden "=C:=C:\..."
  // ones included.
  virtual std::vector<std::wstring> Block() = 0;
  // GetTempPathW, without its trailing backslash; empty when it fails.
  virtual std::wstring TempPath() = 0;
};

}  // namespace tarnweld::platform
