#pragma once

#include <string_view>

#include "platform/code_page.h"

namespace tarnweld::platform::win {

class SystemCodePage final : public AnsiCodePage {
 public:
  bool RoundTrips(std::wstring_view text) override;
};

}  // namespace tarnweld::platform::win
