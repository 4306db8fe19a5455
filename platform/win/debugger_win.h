#pragma once

#include <string>
#include <string_view>

#include "platform/output.h"

namespace tarnweld::platform::win {

// OutputDebugStringW, one line per call, from a thread of its own: a
// debugger or listener that does not take the line holds that thread, never
// the removal. Finish waits at most 100 ms for what is still queued.
class DebuggerOutput final : public TextOutput {
 public:
  bool Write(std::wstring_view text) override;
  void Finish() override;
};

}  // namespace tarnweld::platform::win
