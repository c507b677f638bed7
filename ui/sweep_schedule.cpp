// The sweep timer, and the closing sweep at "Exit" and at the end of the Windows session.
#include <ctime>
#include "cleaners/category_table.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "framework/shutdown_block.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/control_panel.h"
#include "ui/main_window.h"
#include "ui/sweep_progress_dlg.h"
#include "ui/ui_state.h"
#include "ui/sweep_controller.h"

namespace {
// A period the settings may hold, in seconds; zero or below means none.
int ScheduledPeriod()
{
    if (!(g_generalSettings.StTm & SweepAtBit::Timer)) return 0;
    return static_cast<int32_t>(g_generalSettings.TmSn.load());
}

// The closing sweep's own lines around each category, by category index.
struct ClosingLines {
    const char* start;
    const char* end;
};
}  // namespace

void MainWindow::SetSweepTimer(int seconds)
{
    const time_t due = time(nullptr) + seconds;
    LogTimedLine("Set the Timer ", kStatusLogOnly);
    LogLine(LocalTimeText(" Start to sweep @ %H:%M - %b %d %Y\n", due).c_str(), kStatusLogOnly);
    // Periods beyond the longest timer the system keeps (about 24 days) are cut to it.
    const long long ms = static_cast<long long>(seconds) * 1000;
    m_sweepTimer = SetTimer(m_hWnd, kSweepTimerId, static_cast<UINT>(ms < USER_TIMER_MAXIMUM ? ms : USER_TIMER_MAXIMUM),
                            nullptr);
}

void MainWindow::CancelSweepTimer()
{
    if (m_sweepTimer == kNoTimer) return;
    LogTimedLine("Cancel the Timer.", kStatusLogOnly);
    KillTimer(m_hWnd, kSweepTimerId);
    m_sweepTimer = kNoTimer;
}

void MainWindow::SetTimerWhenScheduled()
{
    if (const int period = ScheduledPeriod(); period > 0) SetSweepTimer(period);
}

void MainWindow::OnTimer(UINT_PTR id)
{
    if (id == kAnimationTimerId)
        AnimationStep();
    else if (id == kSweepTimerId)
        OnSweepTimer();
}

void MainWindow::OnSweepTimer()
{
    CancelSweepTimer();
    if (SweepController::AllRunning()) {
        SetTimerWhenScheduled();  // the tick is skipped, not queued
        return;
    }
    LogTimedLine("\nStart Sweeping by Timer.", kStatusLogOnly);
    const bool started = m_controlPanel ? m_controlPanel->m_settings.SweepByTimer()
                                         : SweepController::Start(EnabledCategoryRequests(), false);
    if (!started) {
        SetTimerWhenScheduled();
        return;
    }
    SweepController::SetAllRunning(true);
}

bool MainWindow::ClosingSweepDue() const
{
    return !m_closingSweepDone && !SweepController::AllRunning() && (g_generalSettings.StTm & SweepAtBit::Shutdown);
}

// The enabled categories one after another on this thread; no worker, no worker message, no stamp.
void MainWindow::RunClosingSweep(const char* applicationsEnd)
{
    m_closingSweepDone = true;
    const CShutdownBlock block(m_hWnd, L"Ombrix is sweeping the traces of this session");
    ClosingLines lines[3]{};
    lines[Category::Windows] = {"Start cleaning history on Windows.\n", "End cleaning history on Windows.\n"};
    lines[Category::Applications] = {"Start cleaning history on applications.\n", applicationsEnd};
    lines[Category::Internet] = {"Start cleaning history on internet brower.\n", "End cleaning history on internet brower.\n"};
    SweepController::SweepHere([&](const CategoryRow& row, bool before) {
        LogLine(before ? lines[row.index].start : lines[row.index].end, kStatusLogOnly);
    });
}

void MainWindow::ExitSequence()
{
    EndPreview();  // the closing sweep must not run through a preview's actions
    CancelSweepTimer();
    LogTimedLine("Start exiting Processes", kStatusLogOnly);
    if (ClosingSweepDue()) {
        LogTimedLine("Start Cleaning Processes", kStatusLogOnly);
        RunClosingSweep("End cleaning history on Application.\n");
        LogTimedLine("End cleaning Processes", kStatusLogOnly);
    }
    LogTimedLine("End exiting Processes", kStatusLogOnly);
    CSweepProgressDlg::DestroyProgressWindow();
    if (COmbrixProp* sheet = m_controlPanel) sheet->EndDialog(IDOK);
    DestroyWindow();
}

void MainWindow::OnQueryEndSession()
{
    EndPreview();
    CancelSweepTimer();
    ShowProgress();
    LogTimedLine("Start logoff/shutdown Processes", kStatusLogOnly);
    if (ClosingSweepDue()) RunClosingSweep("End cleaning history on applications.\n");
    LogTimedLine("End logoff/shutdown Processes", kStatusLogOnly);
}
