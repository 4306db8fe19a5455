#pragma once

#include <cstdint>
#include <vector>

#include "platform/shown_windows.h"

namespace tarnweld::platform::win {

// user32.dll's window calls, taken at run time by full path at the first
// look: TarnweldCheck.exe imports nothing from it, and loads it only when a
// Wise process runs. Controls of another process answer WM_GETTEXT alone
// (GetWindowTextW gives nothing for them), each within 100 ms or not at all.
class SystemShownWindows final : public ShownWindows {
 public:
  WindowsSeen Of(const std::vector<std::uint32_t>& process_ids) override;
};

}  // namespace tarnweld::platform::win
