#include <gtest/gtest.h>
#include <windows.h>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/window_watcher.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/sweep_controller.h"
#include "ui/sweep_progress_dlg.h"
#include "ui/ui_state.h"

namespace {
void Tick(HWND window) { SendMessageA(window, WM_TIMER, kSweepTimerId, 0); }

// Positions of the lines in the log, in the order given; -1 for a missing one.
std::vector<long> Positions(const std::string& log, const std::vector<std::string>& lines)
{
    std::vector<long> at;
    for (const std::string& line : lines) {
        const size_t found = log.find(line);
        at.push_back(found == std::string::npos ? -1 : long(found));
    }
    return at;
}
}  // namespace

TEST_F(MainWindowTest, ATickDuringASweepOfAllIsSkippedAndSetAgain)
{
    LogCapture log;
    g_generalSettings.StTm = SweepAtBit::Timer;
    g_generalSettings.TmSn = 3600;
    SweepController::SetAllRunning(true);
    Tick(Window());
    EXPECT_NE(m_window.SweepTimer(), kNoTimer);
    EXPECT_EQ(log.Count("Start Sweeping by Timer."), 0u);
    EXPECT_EQ(log.Count("Set the Timer "), 1u);
    EXPECT_EQ(log.Count(" Start to sweep @ "), 1u);
    SweepController::SetAllRunning(false);
}

TEST_F(MainWindowTest, ATickWithoutCategoriesLogsAndSetsTheTimerAgain)
{
    LogCapture log;
    g_generalSettings.Targets = 0;
    g_generalSettings.StTm = SweepAtBit::Timer;
    g_generalSettings.TmSn = 60;
    m_window.SetSweepTimer(60);
    Tick(Window());
    EXPECT_EQ(log.Count("Cancel the Timer."), 1u);
    EXPECT_EQ(log.Count("\nStart Sweeping by Timer."), 1u);
    EXPECT_EQ(log.Count("Set the Timer "), 2u);
    EXPECT_NE(m_window.SweepTimer(), kNoTimer);
    EXPECT_FALSE(SweepController::AllRunning());
}

TEST_F(MainWindowTest, ATickSweepsAndTheEndOfThatSweepSetsTheTimerAgain)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    g_generalSettings.StTm = SweepAtBit::Timer;
    g_generalSettings.TmSn = 3600;
    PlantTemp(2);
    m_window.SetSweepTimer(3600);
    Tick(Window());
    EXPECT_TRUE(SweepController::AllRunning());
    EXPECT_EQ(m_window.SweepTimer(), kNoTimer);
    ASSERT_TRUE(SweepEnds());
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_NE(m_window.SweepTimer(), kNoTimer);
}

TEST_F(MainWindowTest, NoTimerWithoutAPositivePeriod)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    g_generalSettings.StTm = SweepAtBit::Timer;
    for (uint32_t period : {0u, 0xFFFFFFFFu}) {  // 0 and -1
        g_generalSettings.TmSn = period;
        Command(IDS_TRAY_SWEEP_NOW);
        ASSERT_TRUE(SweepEnds());
        EXPECT_EQ(m_window.SweepTimer(), kNoTimer) << period;
    }
}

TEST_F(MainWindowTest, LogoffSweepsOnceInOrderAndExitDoesNotSweepAgain)
{
    g_generalSettings.Targets = GeneralBit::Windows | GeneralBit::Internet | GeneralBit::Applications;
    g_generalSettings.StTm = SweepAtBit::Shutdown | SweepAtBit::Timer;
    g_generalSettings.TmSn = 3600;
    m_window.SetSweepTimer(3600);
    PlantTemp(3);
    SendMessageA(Window(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(m_window.SweepTimer(), kNoTimer);
    ASSERT_NE(CSweepProgressDlg::Instance(), nullptr);
    EXPECT_TRUE(IsWindowVisible(CSweepProgressDlg::Instance()->GetSafeHwnd()));
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_TRUE(m_window.ClosingSweepDone());
    {
        LogCapture log;
        const std::vector<long> at = Positions(log.Log(), {
            "Start logoff/shutdown Processes",
            "Start cleaning history on applications.\n",
            "End cleaning history on applications.\n",
            "Start cleaning history on Windows.\n",
            "End cleaning history on Windows.\n",
            "Start cleaning history on internet brower.\n",
            "End cleaning history on internet brower.\n",
            "End logoff/shutdown Processes",
        });
        for (size_t i = 0; i < at.size(); ++i) EXPECT_GE(at[i], i ? at[i - 1] : 0) << i << "\n" << log.Log();
        EXPECT_EQ(log.Count("Start Cleaning Processes"), 0u);
    }
    // Run on this thread, not by workers: no last sweep time is stamped.
    EXPECT_FALSE(reg::GetNumber(HKEY_CURRENT_USER, kWindowsSettingsKey, "LsRn"));

    PlantTemp(3);
    Command(IDS_TRAY_EXIT);
    EXPECT_FALSE(IsWindow(Window()));
    EXPECT_EQ(CSweepProgressDlg::Instance(), nullptr);
    EXPECT_FALSE(TempIsEmpty());
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(MainWindowTest, ExitSweepsWhenAskedAndEndsTheProgram)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    g_generalSettings.StTm = SweepAtBit::Shutdown;
    PlantTemp(3);
    Command(IDS_TRAY_EXIT);
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_FALSE(IsWindow(Window()));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(MainWindowTest, LogoffWithoutTheShutdownOptionOnlyLogs)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    PlantTemp(1);
    SendMessageA(Window(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_FALSE(TempIsEmpty());
    EXPECT_FALSE(m_window.ClosingSweepDone());
    LogCapture log;
    EXPECT_EQ(log.Count("Start logoff/shutdown Processes"), 1u);
    EXPECT_EQ(log.Count("End logoff/shutdown Processes"), 1u);
    EXPECT_EQ(log.Count("Start cleaning history"), 0u);
}

namespace {
// Reads the window's shutdown block reason whenever the sweep removes a file.
class ReasonWatch : public SweepActions {
public:
    explicit ReasonWatch(HWND window) : m_window(window) {}
    void RemoveFile(WalkEntry& file, bool shred) override
    {
        wchar_t text[128] = {};
        DWORD size = 128;
        using Query = BOOL(WINAPI*)(HWND, LPWSTR, PDWORD);
        auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "ShutdownBlockReasonQuery")));
        if (query && query(m_window, text, &size)) reason = text;
        SweepActions::RemoveFile(file, shred);
    }
    std::wstring reason;

private:
    HWND m_window;
};
}  // namespace

// The end of the session waits with a reason while the closing sweep runs, and no longer.
TEST_F(MainWindowTest, TheClosingSweepHoldsTheSessionWithItsReasonWhileItRuns)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    g_generalSettings.StTm = SweepAtBit::Shutdown;
    PlantTemp(1);
    ReasonWatch watch(Window());
    SweepActions* previous = InstallActions(&watch);
    SendMessageA(Window(), WM_QUERYENDSESSION, 0, 0);
    InstallActions(previous);
    EXPECT_TRUE(TempIsEmpty());
    wchar_t text[128] = {};
    DWORD size = 128;
    using Query = BOOL(WINAPI*)(HWND, LPWSTR, PDWORD);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "ShutdownBlockReasonQuery")));
    if (!query || (watch.reason.empty() && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED))
        GTEST_SKIP() << "this system keeps no shutdown block reasons";
    EXPECT_EQ(watch.reason, L"Ombrix is sweeping the traces of this session");
    EXPECT_FALSE(query(Window(), text, &size)) << "removed when the sweep ends";
}
