#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace tarnweld::platform::win {

class SystemCodePage final : public AnsiCodePage {
 public:
  bool RoundTrips(std::wstring_view text) override;
  std::optional<std::wstring> Decode(std::string_view bytes) override;
};

}  // namespace tarnweld::platform::win
