#pragma once

#include <string>

namespace tarnweld::platform {

// Facts about the running Windows that the trust rule depends on.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  // 5 on Windows XP and Server 2003, 6 on Vista to 8.1, 10 from then on.
  virtual unsigned MajorVersion() = 0;
  // Whether HKLM\System\CurrentControlSet\Control\Terminal Server says
  // TSUserEnabled is 1: a terminal server in relaxed (application
  // compatibility) mode, whose users carry TERMINAL SERVER USER.
  virtual bool TerminalServerUsersEnabled() = 0;
  // The system's Windows folder (C:\Windows), the same for every user.
  virtual std::wstring WindowsDirectory() = 0;
};

}  // namespace tarnweld::platform
