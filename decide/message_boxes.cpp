#include "decide/message_boxes.h"

#include "core/text.h"

namespace tarnweld {

namespace {

std::wstring Shown(const MessageShown& message) {
  return L"a message " + text::Bracketed(message.title) + L": " + text::Bracketed(message.text);
}

}  // namespace

std::wstring Describe(const MessageShown& message) {
  return L"the uninstaller shows " + Shown(message) + L" (process " +
         text::Decimal(message.process_id) + L")";
}

std::wstring StillShowing(const MessageShown& message) {
  return L"the uninstaller still showing " + Shown(message);
}

std::vector<MessageShown> MessageWatch::Look(const platform::WindowsSeen& seen,
                                             std::uint32_t now_ms) {
  std::map<std::uintptr_t, Seen> looked;
  std::vector<MessageShown> shown;
  for (const platform::ShownWindow& window : seen.windows) {
    if (!window.dialog) continue;
    Seen now{window.title, window.text, now_ms};
    const auto before = seen_.find(window.id);
    if (before != seen_.end() && before->second.title == now.title &&
        before->second.text == now.text) {
      now.since = before->second.since;
    }
    if (static_cast<std::uint32_t>(now_ms - now.since) >= kMessageSettleMs) {
      shown.push_back({window.process_id, window.title, window.text});
    }
    looked[window.id] = std::move(now);
  }
  seen_ = std::move(looked);
  return shown;
}

}  // namespace tarnweld
