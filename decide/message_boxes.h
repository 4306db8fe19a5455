#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/shown_windows.h"

// The message box an uninstaller stops at: a dialog of one of the removal's
// processes whose text stays the same on two looks at least 5 s apart, so
// that the uninstaller's changing "Perform Uninstall" progress is none. An
// uninstaller run as SYSTEM shows it where nobody can answer it, and waits.
namespace tarnweld {

inline constexpr std::uint32_t kMessageSettleMs = 5'000;

struct MessageShown {
  std::uint32_t process_id = 0;
  std::wstring title, text;
  bool operator==(const MessageShown& other) const {
    return process_id == other.process_id && title == other.title && text == other.text;
  }
};

// "the uninstaller shows a message [Wise Uninstall]: [Invalid INSTALL.LOG file.] (process 4242)"
std::wstring Describe(const MessageShown& message);
// "the uninstaller still showing a message [Wise Uninstall]: [Invalid INSTALL.LOG file.]"
std::wstring StillShowing(const MessageShown& message);

class MessageWatch {
 public:
  // One look, `now_ms` on the clock: the message boxes among what is seen.
  std::vector<MessageShown> Look(const platform::WindowsSeen& seen, std::uint32_t now_ms);
  // Whether the last look saw a dialog that a later look may confirm.
  bool Pending() const { return !seen_.empty(); }

 private:
  struct Seen {
    std::wstring title, text;
    std::uint32_t since = 0;
  };
  std::map<std::uintptr_t, Seen> seen_;
};

}  // namespace tarnweld
