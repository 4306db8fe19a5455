#include "platform/win/debugger_win.h"

#include <windows.h>

#include <deque>
#include <string>

#include "platform/win/scoped_handle.h"

namespace tarnweld::platform::win {
namespace {

// OutputDebugStringW waits for the session's DBWinMutex, and then up to 10 s
// for a listener to take each line. Only this queue's own thread ever waits
// so; the removal only queues.
constexpr std::size_t kMostLinesQueued = 256;
constexpr DWORD kFinishMs = 100;

struct TraceQueue {
  CRITICAL_SECTION lock;
  std::deque<std::wstring> lines;
  HANDLE queued = nullptr;   // auto-reset: lines are waiting
  HANDLE drained = nullptr;  // manual-reset: every line queued has been handed on
  bool running = false;
};

DWORD WINAPI HandOnLines(void* parameter) {
  auto* queue = static_cast<TraceQueue*>(parameter);
  for (;;) {
    ::WaitForSingleObject(queue->queued, INFINITE);
    for (;;) {
      ::EnterCriticalSection(&queue->lock);
      if (queue->lines.empty()) {
        ::SetEvent(queue->drained);
        ::LeaveCriticalSection(&queue->lock);
        break;
      }
      const std::wstring line = std::move(queue->lines.front());
      queue->lines.pop_front();
      ::LeaveCriticalSection(&queue->lock);
      ::OutputDebugStringW(line.c_str());
    }
  }
}

// Made on first use and never destroyed: its thread may still be waiting
// for a listener when the process ends.
TraceQueue* Queue() {
  static TraceQueue* const queue = [] {
    auto* made = new TraceQueue;
    ::InitializeCriticalSection(&made->lock);
    made->queued = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    made->drained = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    const ScopedThread thread(made->queued && made->drained
                                  ? ::CreateThread(nullptr, 0, &HandOnLines, made, 0, nullptr)
                                  : nullptr);
    made->running = thread.IsValid();
    return made;
  }();
  return queue;
}

}  // namespace

bool DebuggerOutput::Write(std::wstring_view text) {
  TraceQueue* queue = Queue();
  // Without its thread, a line is dropped rather than risk the wait.
  if (!queue->running) return false;
  ::EnterCriticalSection(&queue->lock);
  const bool room = queue->lines.size() < kMostLinesQueued;
  if (room) {
    queue->lines.emplace_back(text);
    ::ResetEvent(queue->drained);
  }
  ::LeaveCriticalSection(&queue->lock);
  if (room) ::SetEvent(queue->queued);
  return room;
}

void DebuggerOutput::Finish() {
  TraceQueue* queue = Queue();
  if (queue->running) ::WaitForSingleObject(queue->drained, kFinishMs);
}

}  // namespace tarnweld::platform::win
