#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnweld::platform {

// A visible top-level window of another process, as far as asking it
// cannot make the asker wait long: who shows it, and what it says.
struct ShownWindow {
  std::uintptr_t id = 0;  // the window's handle, as a number
  std::uint32_t process_id = 0;
  std::wstring title;
  std::wstring text;  // its Static controls' text, one line each
  // Of the dialog class, its children only Static and Button controls: a
  // message box, if its text stays the same.
  bool dialog = false;
};

struct WindowsSeen {
  std::vector<ShownWindow> windows;
  std::uint32_t error = 0;  // not 0: this desktop's windows could not be listed
};

// The windows of other processes, read and never touched: nothing here
// sends a window anything but a request for its text.
class ShownWindows {
 public:
  virtual ~ShownWindows() = default;
  // The visible top-level windows of `process_ids` on this desktop, at most
  // a few dozen, in about a second at most whatever they do.
  virtual WindowsSeen Of(const std::vector<std::uint32_t>& process_ids) = 0;
};

}  // namespace tarnweld::platform
