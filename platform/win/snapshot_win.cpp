#include <windows.h>
// tlhelp32.h must come after windows.h.
#include <tlhelp32.h>

#include <cstring>
#include <memory>

#include "platform/win/scoped_handle.h"
#include "platform/win/snapshot_win.h"

namespace tarnweld::platform::win {
namespace {

// The wide record: image names as the system stores them, never best-fit
// converted into something that looks like "unwise.exe".
static_assert(sizeof(PROCESSENTRY32W{}.szExeFile) == kImageNameSize * sizeof(wchar_t),
              "MAX_PATH name field");
#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(PROCESSENTRY32W) == 556, "32-bit PROCESSENTRY32W is 556 bytes");
#endif

class ToolhelpSnapshot final : public ProcessSnapshot {
 public:
  explicit ToolhelpSnapshot(HANDLE snapshot) : snapshot_(snapshot) {
    std::memset(&entry_, 0, sizeof entry_);
    entry_.dwSize = sizeof entry_;  // 556 in the 32-bit build, 568 in x86_64
  }

  bool First(ProcessEntry* entry) override {
    return Fill(::Process32FirstW(snapshot_.Get(), &entry_) != FALSE, entry);
  }
  bool Next(ProcessEntry* entry) override {
    return Fill(::Process32NextW(snapshot_.Get(), &entry_) != FALSE, entry);
  }

 private:
  bool Fill(bool filled, ProcessEntry* entry) const {
    if (!filled) return false;
    std::memcpy(entry->name.data(), entry_.szExeFile, sizeof entry_.szExeFile);
    entry->id = entry_.th32ProcessID;
    entry->parent_id = entry_.th32ParentProcessID;
    return true;
  }

  ScopedSnapshot snapshot_;
  PROCESSENTRY32W entry_;
};

}  // namespace

std::unique_ptr<ProcessSnapshot> TakeToolhelpSnapshot() {
  ScopedSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return nullptr;
  auto owned = std::make_unique<ToolhelpSnapshot>(snapshot.Get());
  snapshot.Take();
  return owned;
}

std::unique_ptr<ProcessSnapshot> ProcessListing::TakeSnapshot() { return TakeToolhelpSnapshot(); }

std::unique_ptr<WatchedProcess> ProcessListing::Open(std::uint32_t) { return nullptr; }

}  // namespace tarnweld::platform::win
