#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "platform/platform.h"
#include "tests/fake_files.h"
#include "tests/fake_processes.h"
#include "tests/fake_record.h"
#include "tests/fake_registry.h"
#include "tests/fake_system.h"

namespace tarnweld::fake {

// Text written to one output, each write kept apart too.
struct CapturedOutput final : platform::TextOutput {
  bool Write(std::wstring_view written) override {
    text += written;
    writes.emplace_back(written);
    return !fails;
  }
  void Finish() override {
    if (events) events->push_back("trace finished");
  }
  std::wstring text;
  std::vector<std::wstring> writes;
  bool fails = false;
  std::vector<std::string>* events = nullptr;  // where finishing is noted
};

// One scripted operating system, made of its parts: every call is recorded
// in `events`, every handle opened and closed is counted, and each call can
// be made to fail. The clock only moves when the program pauses or waits.
class FakePlatform final : public Recorder,
                           public FakeProgram,
                           public FakeRegistry,
                           public FakeFiles,
                           public FakeAccounts,
                           public FakeSystem,
                           public FakeLocks,
                           public FakeProcesses {
 public:
  FakePlatform();

  platform::Platform& os() { return platform_; }
  const platform::Sources& sources() { return platform_.sources; }
  check::CheckPlatform& check() { return check_; }

  CapturedOutput debugger, out, err;

  // Started on the entry "OldApp", whose value holds exactly `text`,
  // with `files` the normal files that exist.
  void StartOnEntry(const std::string& text, const std::vector<std::wstring>& files = {});

 private:
  platform::Platform platform_;
  check::CheckPlatform check_;
};

// A change to a scripted machine, as tables of cases give them, and several
// made one after the other.
using Change = std::function<void(FakePlatform&)>;
inline Change All(std::vector<Change> changes) {
  return [changes = std::move(changes)](FakePlatform& os) {
    for (const Change& change : changes) change(os);
  };
}

}  // namespace tarnweld::fake
