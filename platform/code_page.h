#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnweld::platform {

// The system's ANSI code page, through which an ANSI program such as
// UNWISE.EXE reads its command line and its environment.
class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;

  // Whether `text` converts to the code page and back unchanged: nothing
  // best-fit into a look-alike, nothing replaced by a default character.
  virtual bool RoundTrips(std::wstring_view text) = 0;

  // `bytes` as an ANSI program reads them; nothing when they do not decode.
  virtual std::optional<std::wstring> Decode(std::string_view bytes) = 0;
};

}  // namespace tarnweld::platform
