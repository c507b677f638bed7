#include "ui/sweep_controller.h"
#include <memory>
#include "cleaners/category_table.h"
#include "engine/protected_folders.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/sweep_view.h"
#include "engine/sweep_preview.h"

namespace {
SweepView* g_view = nullptr;
// Touched on the user-interface thread only.
bool g_allRunning = false;
std::unique_ptr<CPreviewScope> g_preview;  // a preview's actions while it runs
}  // namespace

SweepView* View() { return g_view; }
void SetView(SweepView* view) { g_view = view; }

namespace SweepController {
namespace {

bool Request(CSweepCoordinator& coordinator, uint32_t requests)
{
    if (!requests) return false;
    CGuardLock::Scope hold(coordinator.Lock());
    coordinator.RequestSweep(requests);
    return true;
}

}  // namespace

bool Start(uint32_t requests, bool showLog)
{
    CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    if (!coordinator || !requests || g_preview) return false;
    RefreshPolicy();  // a page's own sweep asks no one else first
    SweepView* view = View();
    const uint32_t targets = g_generalSettings.Targets;
    if (view && showLog && (targets & GeneralBit::AlwaysShowProgress) && !(targets & GeneralBit::RunningBackground))
        view->ShowLog(true);
    if (!coordinator->IsAnyWorkerRunning()) ResetSweepProgress();
    Request(*coordinator, requests);
    if (view) view->StartAnimation();
    return true;
}

uint32_t StartRules(uint32_t requests)
{
    CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    if (!coordinator || g_preview) return 0;
    for (const CategoryRow& row : CategoryRows())
        if (coordinator->IsCategoryRunning(row.index)) requests &= ~row.requestBit;
    if (!requests) return 0;
    TakeRulesAloneNext(requests);
    return Start(requests, true) ? requests : 0;
}

void SweepHere(const std::function<void(const CategoryRow&, bool before)>& lines)
{
    const KeptFoldersHold keptFolders;  // decided before the sweep's first change
    const uint32_t requests = SweptCategoryRequests();
    for (const CategoryRow& row : CategoryRows()) {
        if (!(requests & row.requestBit)) continue;
        if (lines) lines(row, true);
        row.procedure(CSweepCoordinator::Instance());
        if (lines) lines(row, false);
    }
}

void Stop(uint32_t bits)
{
    if (CSweepCoordinator* coordinator = CSweepCoordinator::Instance()) coordinator->RequestStop(bits);
}

bool Preview()
{
    CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    const uint32_t requests = EnabledCategoryRequests();
    if (!coordinator || g_allRunning || g_preview || coordinator->IsAnyWorkerRunning() || !requests)
        return false;
    if (View()) View()->ShowLog(false);
    ResetSweepProgress();
    g_preview = std::make_unique<CPreviewScope>();
    SetProgressTitle("Preview");
    LogLine(kPreviewFirstLine, kStatusLogOnly);
    Request(*coordinator, requests);
    g_allRunning = true;
    if (View()) View()->StartAnimation();
    return true;
}

bool PreviewRunning() { return g_preview != nullptr; }

void EndPreview()
{
    g_preview.reset();
    g_allRunning = false;
}

bool AllRunning() { return g_allRunning; }

void SetAllRunning(bool running) { g_allRunning = running; }

}  // namespace SweepController
