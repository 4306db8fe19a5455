#pragma once

#include <string>
#include <string_view>

#include "platform/output.h"

namespace tarnweld::platform::win {

// Standard output or error: the console's own wide text when it is one,
// UTF-8 when redirected to a file or pipe.
class StandardOutput final : public TextOutput {
 public:
  enum class Stream { kOutput, kError };
  explicit StandardOutput(Stream stream) : stream_(stream) {}
  bool Write(std::wstring_view text) override;

 private:
  Stream stream_;
};

}  // namespace tarnweld::platform::win
