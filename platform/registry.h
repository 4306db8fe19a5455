#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarnweld::platform {

// Status codes exactly as the registry API returns them.
constexpr long kRegSuccess = 0;
constexpr long kRegFileNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegMoreData = 234;

constexpr std::uint32_t kRegSz = 1;

// An open registry key. Destroying it closes the key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // RegQueryValueExW: `type` and `size` are in/out; `data` holds `*size`
  // bytes. On kRegMoreData, `*size` is the size the value needs.
  virtual long QueryValue(const std::wstring& name, std::uint32_t* type, unsigned char* data,
                          std::uint32_t* size) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExW under HKEY_LOCAL_MACHINE with KEY_READ and no WOW64 flag,
  // so a 32-bit build reads the 32-bit view. `*key` is set on success only.
  virtual long OpenLocalMachineKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) = 0;
};

}  // namespace tarnweld::platform
