#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_security.h"

namespace tarnweld::platform {

// Status codes exactly as the registry API returns them.
constexpr long kRegSuccess = 0;
constexpr long kRegFileNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegMoreData = 234;

// A value read as text, and the registry's status for the reading.
struct RegistryText {
  long status = kRegFileNotFound;
  std::wstring text;  // empty unless status is kRegSuccess
};

// An open registry key. Destroying it closes the key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The value `name` as text: as stored in UTF-16, whatever its type, never
  // expanded, up to its first NUL or whole when it has none, at any length
  // (core/registry_text.h).
  virtual RegistryText ReadText(const std::wstring& name) = 0;
  // The key's owner and access list; for a key opened by OpenKey, also
  // whether it is a symbolic link.
  virtual SecurityRead Security() = 0;
};

// Which of the registry's views a key is opened in, on 64-bit Windows.
enum class RegistryView {
  kProgram,  // no WOW64 flag: the program's own (a 32-bit build reads the 32-bit view)
  k32Bit,    // KEY_WOW64_32KEY
  k64Bit,    // KEY_WOW64_64KEY
};

// The registry's roots that an installation log names.
enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExW under HKEY_LOCAL_MACHINE with KEY_READ, in `view`.
  // `*key` is set on success only.
  virtual long OpenLocalMachineKey(const std::wstring& path, RegistryView view,
                                   std::unique_ptr<RegistryKey>* key) = 0;
  // The same under any root, to read the key's security: the last key of
  // `path` opened as itself, so that a link's Security() says it is one and
  // its own owner and access list are read, never its target's.
  virtual long OpenKey(RegistryRoot root, const std::wstring& path, RegistryView view,
                       std::unique_ptr<RegistryKey>* key) = 0;
};

// Listing keys, which only the inventory needs.
class RegistryListing {
 public:
  virtual ~RegistryListing() = default;

  // The names of the subkeys of HKLM\`path` in `view` (RegEnumKeyExW).
  virtual long SubkeyNames(const std::wstring& path, RegistryView view,
                           std::vector<std::wstring>* names) = 0;

  // The views this system has, as explicit views: the program's own first,
  // then the other one on 64-bit Windows.
  virtual std::vector<RegistryView> Views() = 0;
};

}  // namespace tarnweld::platform
