#include "ui/sweep_controller.h"
#include <memory>
#include "cleaners/category_table.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/sweep_view.h"
#include "ui/ui_state.h"

namespace {
SweepView* g_view = nullptr;
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
    if (!coordinator || !requests || Ui().preview) return false;
    SweepView* view = View();
    const uint32_t targets = g_generalSettings.Targets;
    if (view && showLog && (targets & GeneralBit::AlwaysShowProgress) && !(targets & GeneralBit::RunningBackground))
        view->ShowLog(true);
    if (!coordinator->IsAnyWorkerRunning()) ResetSweepProgress();
    Request(*coordinator, requests);
    if (view) view->StartAnimation();
    return true;
}

void SweepHere(const std::function<void(const CategoryRow&, bool before)>& lines)
{
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
    UiState& ui = Ui();
    CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    const uint32_t requests = EnabledCategoryRequests();
    if (!coordinator || ui.sweepAllRunning || ui.preview || coordinator->IsAnyWorkerRunning() || !requests)
        return false;
    if (View()) View()->ShowLog(false);
    ResetSweepProgress();
    ui.preview = std::make_unique<CPreviewScope>();
    SetProgressTitle("Preview");
    LogLine(kPreviewFirstLine, kStatusLogOnly);
    Request(*coordinator, requests);
    ui.sweepAllRunning = true;
    if (View()) View()->StartAnimation();
    return true;
}

bool PreviewRunning() { return Ui().preview != nullptr; }

bool AllRunning() { return Ui().sweepAllRunning; }

void SetAllRunning(bool running) { Ui().sweepAllRunning = running; }

}  // namespace SweepController
