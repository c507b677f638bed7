#include <atomic>
#include <span>
#include "cleaners/category_items.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/sweep_stop.h"
#include "settings/settings_groups.h"
#include "cleaners/category_table.h"

namespace {

struct CategoryPlan {
    int bar;
    int status;
    uint32_t stopBit;
    const std::atomic<uint32_t>& targets;
    std::span<const CategoryItem> items;
};

bool StopRequested(const CSweepCoordinator* coordinator, uint32_t stopBit)
{
    return coordinator && (coordinator->IsStopRequested(stopBit) || coordinator->IsStopRequested(kSweepAll));
}

UINT RunCategory(void* argument, const CategoryPlan& plan)
{
    auto* coordinator = static_cast<CSweepCoordinator*>(argument);
    int items = 0;
    float kb = 0.0f;
    SetSweepProgress(plan.bar, 0);
    // Stopped at a check, or inside a cleaner's walk: no totals and no final line; the bar stays.
    const SweepStopListener listener([&] { return StopRequested(coordinator, plan.stopBit); });
    try {
        for (const CategoryItem& item : plan.items) {
            if (item.percent != kKeepsBar) SetSweepProgress(plan.bar, static_cast<unsigned>(item.percent));
            if (item.checksStop && StopRequested(coordinator, plan.stopBit)) return 0;
            if (item.cleaner && (item.bit == kAlwaysRuns || (plan.targets & item.bit))) item.cleaner(&items, &kb);
        }
    } catch (const SweepStopped&) {
        return 0;
    }
    AddSweepTotals(items, kb);
    ShowSweepTotals();
    if (items == 0) LogLine(kFinishedLine, plan.status);
    return 0;
}

}  // namespace

UINT SweepWindows(void* coordinator)
{
    return RunCategory(coordinator, {kBarWindows, kStatusWindows, kSweepWindows, g_windowsSettings.Targets,
                                     WindowsItems()});
}

UINT SweepApplications(void* coordinator)
{
    return RunCategory(coordinator, {kBarApplications, kStatusApplications, kSweepApplications,
                                     g_applicationsSettings.Targets, ApplicationsItems()});
}

UINT SweepInternet(void* coordinator)
{
    return RunCategory(coordinator, {kBarInternet, kStatusInternet, kSweepInternet, g_internetSettings.Targets,
                                     InternetItems()});
}
