#include <atomic>
#include <mutex>
#include <optional>
#include <span>
#include "cleaners/category_items.h"
#include "cleaners/community_rules.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/sweep_stop.h"
#include "engine/walk_progress.h"
#include "settings/settings_groups.h"
#include "cleaners/category_table.h"

namespace {

std::mutex g_selectionLock;
std::optional<ItemSelection> g_selection;
std::atomic<uint32_t> g_rulesAlone{0};  // request bits whose next run takes the rules alone

struct CategoryPlan {
    int index;
    int bar;
    int status;
    uint32_t stopBit;
    const std::atomic<uint32_t>& targets;
    std::span<const CategoryItem> items;
};

// Where the bar stands when the step after this one starts: a long walk of this step moves it there.
unsigned NextPercent(std::span<const CategoryItem> items, size_t step)
{
    for (size_t i = step + 1; i < items.size(); ++i)
        if (items[i].percent != kKeepsBar) return static_cast<unsigned>(items[i].percent);
    return 100;
}

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
        const std::optional<ItemSelection> selection = SelectedItems();
        const bool rulesAlone = g_rulesAlone.fetch_and(~plan.stopBit) & plan.stopBit;
        unsigned bar = 0;
        for (size_t i = 0; i < plan.items.size() && !rulesAlone; ++i) {
            const CategoryItem& item = plan.items[i];
            if (item.percent != kKeepsBar) SetSweepProgress(plan.bar, bar = static_cast<unsigned>(item.percent));
            const WalkProgressScope progress(plan.bar, plan.status, bar, NextPercent(plan.items, i));
            if (item.checksStop && StopRequested(coordinator, plan.stopBit)) return 0;
            // Chosen on the command line, an item runs by its id; a step without one (a header) runs along.
            const bool runs = selection ? (!item.id || (((*selection)[static_cast<size_t>(plan.index)] >> i) & 1))
                                        : (item.bit == kAlwaysRuns || (plan.targets & item.bit));
            if (item.cleaner && runs) item.cleaner(&items, &kb);
        }
        // Items chosen on the command line are all that run; otherwise the ticked rules follow.
        if (!selection || rulesAlone) SweepCommunityRules(CategoryByIndex(plan.index)->rules, plan.status, &items, &kb);
    } catch (const SweepStopped&) {
        return 0;
    }
    AddSweepTotals(items, kb);
    ShowSweepTotals();
    if (items == 0) LogLine(kFinishedLine, plan.status);
    return 0;
}

}  // namespace

void SelectItems(const std::optional<ItemSelection>& selection)
{
    std::lock_guard<std::mutex> hold(g_selectionLock);
    g_selection = selection;
}

void TakeRulesAloneNext(uint32_t requests) { g_rulesAlone |= requests; }

std::optional<ItemSelection> SelectedItems()
{
    std::lock_guard<std::mutex> hold(g_selectionLock);
    return g_selection;
}

UINT SweepWindows(void* coordinator)
{
    return RunCategory(coordinator, {Category::Windows, kBarWindows, kStatusWindows, kSweepWindows, g_windowsSettings.Targets,
                                     WindowsItems()});
}

UINT SweepApplications(void* coordinator)
{
    return RunCategory(coordinator, {Category::Applications, kBarApplications, kStatusApplications, kSweepApplications,
                                     g_applicationsSettings.Targets, ApplicationsItems()});
}

UINT SweepInternet(void* coordinator)
{
    return RunCategory(coordinator, {Category::Internet, kBarInternet, kStatusInternet, kSweepInternet, g_internetSettings.Targets,
                                     InternetItems()});
}
