#include "check/plan_report.h"

#include <array>

#include "check/json.h"
#include "core/text.h"
#include "removal/decision_text.h"

namespace tarnweld::check {
namespace {

using wise_log::OrderKind;

constexpr std::size_t kShownOfEachKind = 20;
constexpr std::size_t kShownNotUnderstood = 5;

// Every kind, in the order the section lists them, and what the uninstaller
// does with an order of it.
constexpr struct {
  OrderKind kind;
  const wchar_t* does;
} kKinds[] = {
    {OrderKind::kRun, L"run, and waited for"},
    {OrderKind::kSelfRegister, L"registration undone, which loads the file"},
    {OrderKind::kFile, L"deleted"},
    {OrderKind::kOverwritten, L"replaced at installation; judged as deleted"},
    {OrderKind::kKept, L"in the Windows folders: kept"},
    {OrderKind::kLink, L"shortcut, deleted"},
    {OrderKind::kTree, L"deleted with everything matching, folders included"},
    {OrderKind::kFolder, L"removed when empty"},
    {OrderKind::kRegistry, L"value deleted, or its old value written back"},
    {OrderKind::kRegistryTree, L"key deleted whole"},
};
constexpr std::size_t kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);

std::array<std::size_t, kKindCount> Counts(const LogPlan& plan) {
  std::array<std::size_t, kKindCount> counts{};
  for (const PlannedOrder& planned : plan.plan) {
    for (std::size_t i = 0; i < kKindCount; ++i) {
      if (kKinds[i].kind == planned.order.kind) ++counts[i];
    }
  }
  return counts;
}

std::wstring OrderLine(const PlannedOrder& planned) {
  const wise_log::Order& order = planned.order;
  std::wstring line = L"line " + text::Decimal(order.line) + L" ";
  line +=
      Bracketed(order.root ? wise_log::RootName(*order.root) + (L"\\" + order.path) : order.path);
  if (order.name) {
    line += order.name->empty() ? L", its default value" : L", value " + Bracketed(*order.name);
  }
  if (order.restore) line += L", its old value written back";
  if (planned.deleted_by) {
    line += L", already deleted by line " + text::Decimal(*planned.deleted_by) + L" when it runs";
  }
  return line;
}

}  // namespace

std::wstring PlanText(const LogPlan& plan) {
  std::wstring text = L"What the uninstaller will do, from the log's last line up (" +
                      text::Decimal(plan.plan.size()) + L" orders):\n";
  const auto counts = Counts(plan);
  for (std::size_t i = 0; i < kKindCount; ++i) {
    if (counts[i] == 0) continue;
    const bool every = kKinds[i].kind == OrderKind::kRun;
    text += L"  " + text::Decimal(counts[i]) + L" " + wise_log::KindName(kKinds[i].kind) + L" (" +
            kKinds[i].does + L")" +
            (every || counts[i] <= kShownOfEachKind
                 ? L":\n"
                 : L", the first " + text::Decimal(kShownOfEachKind) + L":\n");
    std::size_t shown = 0;
    for (const PlannedOrder& planned : plan.plan) {
      if (planned.order.kind != kKinds[i].kind) continue;
      if (!every && shown++ == kShownOfEachKind) break;
      text += L"    " + OrderLine(planned) + L"\n";
    }
  }
  const auto& not_understood = plan.log.not_understood;
  if (!not_understood.empty()) {
    text += L"  " + Counted(not_understood.size(), L"line") + L" not understood" +
            (not_understood.size() > kShownNotUnderstood ? L", the first 5:\n" : L":\n");
    for (std::size_t i = 0; i < not_understood.size() && i < kShownNotUnderstood; ++i) {
      text += L"    line " + text::Decimal(not_understood[i].line) + L" " +
              (not_understood[i].text.empty() ? L"(bytes that do not decode)"
                                              : Bracketed(not_understood[i].text)) +
              L"\n";
    }
  }
  return text;
}

std::wstring PlanJson(const LogPlan& plan) {
  std::wstring json = L"[";
  for (const PlannedOrder& planned : plan.plan) {
    const wise_log::Order& order = planned.order;
    JsonObject object;
    object.Number(L"line", static_cast<int>(order.line))
        .Text(L"kind", wise_log::KindName(order.kind))
        .Text(L"path", order.path);
    if (order.root) object.Text(L"root", wise_log::RootName(*order.root));
    if (order.name) object.Text(L"name", *order.name);
    if (order.kind == OrderKind::kRegistry) object.Boolean(L"restore", order.restore);
    if (planned.deleted_by) object.Number(L"deletedBy", static_cast<int>(*planned.deleted_by));
    json += (json.size() > 1 ? L", " : L"") + object.Close();
  }
  return json + L"]";
}

std::wstring PlanCountsJson(const LogPlan& plan) {
  const auto counts = Counts(plan);
  JsonObject object;
  for (std::size_t i = 0; i < kKindCount; ++i) {
    object.Number(wise_log::KindName(kKinds[i].kind), static_cast<int>(counts[i]));
  }
  return object.Close();
}

std::wstring PlanCountsText(const LogPlan& plan) {
  const auto counts = Counts(plan);
  std::wstring text;
  for (std::size_t i = 0; i < kKindCount; ++i) {
    if (counts[i] == 0) continue;
    text += (text.empty() ? L"" : L", ") + text::Decimal(counts[i]) + L" " +
            wise_log::KindName(kKinds[i].kind);
  }
  return text.empty() ? L"no orders" : text;
}

}  // namespace tarnweld::check
