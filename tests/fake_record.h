#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnweld::fake {

// What every part of the fake operating system shares: the record of the
// calls made, the handles open, and the clock, which only moves when the
// program pauses or waits.
struct Recorder {
  std::vector<std::string> events;
  int open_handles = 0;
  int handles_ever_opened = 0;
  std::uint32_t now = 1000;
};

// A handle the fake hands out: counted in while it lives.
class CountedHandle {
 public:
  explicit CountedHandle(Recorder& record) : record_(record) {
    ++record_.open_handles;
    ++record_.handles_ever_opened;
  }
  ~CountedHandle() { --record_.open_handles; }
  CountedHandle(const CountedHandle&) = delete;
  CountedHandle& operator=(const CountedHandle&) = delete;

 protected:
  Recorder& record_;
};

// ASCII of `text`, '?' for the rest: for messages and events.
std::string Narrow(const std::wstring& text);
// UTF-16LE bytes of `text`, as the registry stores it.
std::string Utf16(const std::wstring& text);

}  // namespace tarnweld::fake
