#include "check/plan_report.h"

#include <vector>

#include "check/json.h"
#include "core/text.h"

namespace tarnweld::check {

using text::Bracketed;
using text::Counted;
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
    {OrderKind::kNotCopied,
     L"not copied, a newer one there; the uninstaller may leave it, judged as deleted"},
    {OrderKind::kKept, L"in the Windows folders: kept"},
    {OrderKind::kLink, L"shortcut, deleted"},
    {OrderKind::kTree, L"deleted with everything matching, folders included"},
    {OrderKind::kFolder, L"removed when empty"},
    {OrderKind::kRegistry, L"value deleted, or its old value written back"},
    {OrderKind::kRegistryTree, L"key deleted whole"},
};
struct KindCount {
  OrderKind kind;
  const wchar_t* does;
  std::size_t count;
};

// Each kind's orders, counted, in the section's order.
std::vector<KindCount> Counts(const LogPlan& plan) {
  std::vector<KindCount> counts;
  for (const auto& [kind, does] : kKinds) {
    counts.push_back({kind, does, 0});
    for (const PlannedOrder& planned : plan.plan) {
      if (planned.order.kind == kind) ++counts.back().count;
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
  for (const auto& [kind, does, count] : Counts(plan)) {
    if (count == 0) continue;
    const bool every = kind == OrderKind::kRun;
    const bool all = every || count <= kShownOfEachKind;
    text += L"  " + text::Decimal(count) + L" " + wise_log::KindName(kind) + L" (" + does + L")" +
            (all ? L":\n" : L", the first " + text::Decimal(kShownOfEachKind) + L":\n");
    std::size_t shown = 0;
    for (const PlannedOrder& planned : plan.plan) {
      if (planned.order.kind != kind) continue;
      if (!all && shown++ == kShownOfEachKind) break;
      text += L"    " + OrderLine(planned) + L"\n";
    }
  }
  const auto& not_understood = plan.log.not_understood;
  if (!not_understood.empty()) {
    text += L"  " + Counted(not_understood.size(), L"line") + L" not understood" +
            (not_understood.size() > kShownNotUnderstood
                 ? L", the first " + text::Decimal(kShownNotUnderstood) + L":\n"
                 : L":\n");
    std::size_t shown = 0;
    for (const wise_log::NotUnderstood& line : not_understood) {
      if (shown++ == kShownNotUnderstood) break;
      text += L"    line " + text::Decimal(line.line) + L" " +
              (line.text.empty() ? L"(bytes that do not decode)" : Bracketed(line.text)) + L"\n";
    }
  }
  return text;
}

std::wstring PlanJson(const LogPlan& plan) {
  std::wstring json = L"[";
  for (const PlannedOrder& planned : plan.plan) {
    const wise_log::Order& order = planned.order;
    JsonObject object;
    object.Number(L"line", order.line)
        .Text(L"kind", wise_log::KindName(order.kind))
        .Text(L"path", order.path);
    if (order.root) object.Text(L"root", wise_log::RootName(*order.root));
    if (order.name) object.Text(L"name", *order.name);
    if (order.kind == OrderKind::kRegistry) object.Boolean(L"restore", order.restore);
    if (planned.deleted_by) object.Number(L"deletedBy", *planned.deleted_by);
    json += (&planned == &plan.plan.front() ? L"" : L", ") + object.Close();
  }
  return json + L"]";
}

std::wstring PlanCountsJson(const LogPlan& plan) {
  JsonObject object;
  for (const auto& [kind, does, count] : Counts(plan)) {
    object.Number(wise_log::KindName(kind), count);
  }
  return object.Close();
}

std::wstring PlanCountsText(const LogPlan& plan) {
  std::wstring text;
  for (const auto& [kind, does, count] : Counts(plan)) {
    if (count == 0) continue;
    text += (text.empty() ? L"" : L", ") + text::Decimal(count) + L" " + wise_log::KindName(kind);
  }
  return text.empty() ? L"no orders" : text;
}

}  // namespace tarnweld::check
