#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace tarnweld::platform::win {

class SystemRegistry final : public Registry {
 public:
  long OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                           std::unique_ptr<RegistryKey>* key) override;
  long OpenKey(RegistryRoot root, const std::wstring& path, RegistryView view,
               std::unique_ptr<RegistryKey>* key) override;
};

// KEY_WOW64_32KEY, KEY_WOW64_64KEY, or no flag for the program's own view.
unsigned long RegistryViewFlag(RegistryView view);

}  // namespace tarnweld::platform::win
