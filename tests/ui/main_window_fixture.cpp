#include "tests/ui/main_window_fixture.h"
#include "ui/sweep_controller.h"
#include "engine/sweep_coordinator.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/window_watcher.h"
#include "ui/sweep_progress_dlg.h"
#include "ui/tray_icon.h"
#include "ui/ui_state.h"
#include "cleaners/category_table.h"

void MainWindowTest::SetUp()
{
    SandboxTest::SetUp();
    m_general = g_generalSettings.Targets;
    m_sweepAt = g_generalSettings.StTm;
    m_period = g_generalSettings.TmSn;
    m_windows = g_windowsSettings.Targets;
    g_windowsSettings.Targets = WindowsBit::TemporaryFiles;  // nothing outside the scratch folder
    g_generalSettings.StTm = 0;
    ASSERT_TRUE(MainWindow::RegisterWindowClass());
    ASSERT_TRUE(m_window.Create(nullptr));
    ShowWindow(Window(), SW_HIDE);
    // The window system's answers to the creation and the hide are handled now, as the program's
    // message loop would have, not in the middle of a test (a late focus change ends a shown menu).
    PumpUntilTrue([start = GetTickCount64()] { return GetTickCount64() - start > 100; });
    CSweepCoordinator::Start(WorkerProcedures());
}

void MainWindowTest::TearDown()
{
    CSweepCoordinator::Terminate();
    m_window.DestroyWindow();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    CSweepProgressDlg::DestroyProgressWindow();
    TrayIcon::Instance().Remove();
    SweepController::EndPreview();
    g_generalSettings.Targets = m_general;
    g_generalSettings.StTm = m_sweepAt;
    g_generalSettings.TmSn = m_period;
    g_windowsSettings.Targets = m_windows;
    SandboxTest::TearDown();
}

void MainWindowTest::Command(int id)
{
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MainWindowTest::PlantTemp(int count)
{
    for (int i = 0; i < count; ++i) files::Write(Path("Temp\\trace" + std::to_string(i) + ".tmp"), "trace");
}

bool MainWindowTest::TempIsEmpty() const { return files::List(Path("Temp")).empty(); }

bool MainWindowTest::SweepEnds()
{
    return PumpUntilTrue([] {
        const CSweepCoordinator* c = CSweepCoordinator::Instance();
        return !SweepController::AllRunning() && !c->IsAnyWorkerRunning();
    });
}
