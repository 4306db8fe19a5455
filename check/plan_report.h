#pragma once

#include <string>

#include "decide/log_orders.h"

// What the uninstaller will do, as TarnweldCheck shows it: a dry run of the
// removal, read from the log in the order the uninstaller obeys it.
namespace tarnweld::check {

// The section "What the uninstaller will do": each kind counted, repeats
// included, with its first 20 orders; every program run; the lines not
// understood, counted, with the first 5.
std::wstring PlanText(const LogPlan& plan);

// [{line, kind, path, root?, name?, restore?, deletedBy?}, ...] in the
// uninstaller's order.
std::wstring PlanJson(const LogPlan& plan);

// {"file": 12, "run": 1, ...}: every kind, counted.
std::wstring PlanCountsJson(const LogPlan& plan);

// "12 file, 1 run": the kinds that occur, for the inventory's listing.
std::wstring PlanCountsText(const LogPlan& plan);

}  // namespace tarnweld::check
