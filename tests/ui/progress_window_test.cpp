#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <thread>
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/walk_progress.h"
#include "res/resource.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch.h"
#include "tests/support/window_watcher.h"
#include "ui/sweep_progress_dlg.h"
#include "ui/ui_state.h"

namespace {
RECT ScreenRect(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

RECT ClientRectOf(HWND dialog, int id)
{
    RECT r = ScreenRect(GetDlgItem(dialog, id));
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

CSweepProgressDlg& Dialog() { return *CSweepProgressDlg::Instance(); }

// Answers the "Clear Log Details" confirmation with a button while the window's Clear Log runs.
void ClearLogAnswering(int button)
{
    WindowWatcher watcher("#32770", "Clear Log Details", [button](HWND box) { PressButton(box, button); });
    PressButton(Dialog().GetSafeHwnd(), IDC_CLEAR_LOG);
    PumpUntilTrue([&] { return watcher.Acted() && !FindOwnWindow("#32770", "Clear Log Details"); });
    PumpPending();
    ASSERT_TRUE(watcher.Acted());
}

// A plain window standing where the control-panel sheet will be.
class StandInSheet {
public:
    StandInSheet(int x, int y, int width, int height)
        : m_window(CreateWindowExA(0, "STATIC", "sheet", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                   nullptr, nullptr, nullptr))
    {
        SetControlPanelWindow(m_window);
    }
    ~StandInSheet()
    {
        SetControlPanelWindow(nullptr);
        DestroyWindow(m_window);
    }
    HWND Window() const { return m_window; }

private:
    HWND m_window;
};
}  // namespace

TEST(ProgressWindow, OpensWithOneLineWaitingStatusesAndEmptyBars)
{
    LogCapture log;
    HWND dialog = log.Window();
    EXPECT_EQ(WindowText(dialog), "Sweeping Progress");
    const std::string text = log.Log();
    EXPECT_EQ(text.rfind("Start logging working messages  -- ", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_TRUE(log.Lines().empty());
    for (int id : {IDC_STATUS_WINDOWS, IDC_STATUS_INTERNET, IDC_STATUS_APPLICATIONS, IDC_TOTALS})
        EXPECT_EQ(log.Text(id), "Waiting to start sweeping") << id;
    for (int id : {IDC_BAR_WINDOWS, IDC_BAR_INTERNET, IDC_BAR_APPLICATIONS}) {
        EXPECT_EQ(log.BarPosition(id), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, id, PBM_GETRANGE, FALSE, 0), 100);
    }
    EXPECT_TRUE(Dialog().DetailsShown());
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_DETAILS)), "Hide Details");
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_LOG_PANE), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(Dialog().IsVisibleFlag());
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), 0);
}

TEST(ProgressWindow, IsCentredOnTheWorkAreaWithoutASheet)
{
    LogCapture log;
    RECT area, w = ScreenRect(log.Window());
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    // Centred before the details unfolded, so only the left and top edges are fixed.
    EXPECT_NEAR(w.left - area.left, area.right - w.right, 1);
    EXPECT_GT(w.top, area.top);
}

TEST(ProgressWindow, DetailsFoldAndUnfoldBackToTheSameGeometry)
{
    LogCapture log;
    HWND dialog = log.Window();
    LogLine("a line that must survive folding\n", kStatusLogOnly);
    const RECT unfolded = ScreenRect(dialog);
    RECT buttons[3];
    const int ids[3] = {IDC_DETAILS, IDC_CLOSE, IDC_CLEAR_LOG};
    for (int i = 0; i < 3; ++i) buttons[i] = ClientRectOf(dialog, ids[i]);
    const RECT pane = ClientRectOf(dialog, IDC_LOG_PANE);
    const int buttonHalf = (buttons[0].bottom - buttons[0].top) / 2;
    const int shift = (pane.bottom - pane.top) + buttonHalf;

    PressButton(dialog, IDC_DETAILS);
    PumpPending();
    EXPECT_FALSE(Dialog().DetailsShown());
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_DETAILS)), "Details");
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(dialog, IDC_LOG_PANE), GWL_STYLE) & WS_VISIBLE);
    const RECT folded = ScreenRect(dialog);
    EXPECT_EQ(folded.bottom - folded.top, unfolded.bottom - unfolded.top - shift);
    EXPECT_EQ(folded.left, unfolded.left);
    EXPECT_EQ(ClientRectOf(dialog, IDC_DETAILS).top, buttons[0].top - shift);

    PressButton(dialog, IDC_DETAILS);
    PumpPending();
    EXPECT_TRUE(Dialog().DetailsShown());
    EXPECT_TRUE(SameRect(ScreenRect(dialog), unfolded));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameRect(ClientRectOf(dialog, ids[i]), buttons[i])) << ids[i];
    EXPECT_TRUE(SameRect(ClientRectOf(dialog, IDC_LOG_PANE), pane));
    EXPECT_EQ(log.Count("a line that must survive folding"), 1u);
}

TEST(ProgressWindow, ClearLogEmptiesOnlyAfterOk)
{
    LogCapture log;
    HWND dialog = log.Window();
    LogLine("  Item 1, something swept\n", kStatusWindows);
    SetSweepProgress(kBarWindows, 60);
    AddSweepTotals(3, 12.5f);
    ShowSweepTotals();
    SetProgressTitle("Sweeping Completed");

    ClearLogAnswering(IDCANCEL);
    EXPECT_EQ(log.Count("something swept"), 1u);
    EXPECT_EQ(log.BarPosition(IDC_BAR_WINDOWS), 60);
    EXPECT_EQ(WindowText(dialog), "Sweeping Completed");
    EXPECT_EQ(WindowTotals().items, 3);

    ClearLogAnswering(IDOK);
    EXPECT_EQ(log.Count("something swept"), 0u);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(log.Log().rfind("Start logging working messages  -- ", 0), 0u);
    EXPECT_EQ(log.BarPosition(IDC_BAR_WINDOWS), 0);
    EXPECT_EQ(log.Text(IDC_STATUS_WINDOWS), "Waiting to start sweeping");
    EXPECT_EQ(log.Text(IDC_TOTALS), "Waiting to start sweeping");
    EXPECT_EQ(WindowText(dialog), "Sweeping Progress");
    EXPECT_EQ(WindowTotals().items, 0);
    EXPECT_EQ(WindowTotals().kb, 0.0f);
}

TEST(ProgressWindow, CloseCloseBoxAndEscOnlyHideAndClearTheVisibleFlag)
{
    LogCapture log;
    HWND dialog = log.Window();
    LogLine("kept while hidden\n", kStatusLogOnly);
    const auto hiddenBy = [&](auto close) {
        Dialog().ShowProgressWindow();
        EXPECT_TRUE(Dialog().IsVisibleFlag());
        EXPECT_TRUE(IsWindowVisible(dialog));
        close();
        PumpPending();
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_FALSE(Dialog().IsVisibleFlag());
        EXPECT_TRUE(IsWindow(dialog));
    };
    hiddenBy([&] { PressButton(dialog, IDC_CLOSE); });
    hiddenBy([&] { PostMessageA(dialog, WM_CLOSE, 0, 0); });
    hiddenBy([&] { PressButton(dialog, IDCANCEL); });  // what the dialog manager makes of Esc
    EXPECT_EQ(log.Count("kept while hidden"), 1u);
}

TEST(ProgressWindow, ShowsDirectlyRightOfTheSheetWithTopEdgesLevel)
{
    LogCapture log;
    StandInSheet sheet(40, 70, 300, 200);
    Dialog().ShowProgressWindow();
    const RECT w = ScreenRect(log.Window());
    EXPECT_EQ(w.left, 340);
    EXPECT_EQ(w.top, 70);
    EXPECT_TRUE(Dialog().IsVisibleFlag());
}

TEST(ProgressWindow, CreatedWhileTheSheetIsOpenStandsBesideItAndStaysHiddenWhenAskedTo)
{
    StandInSheet sheet(10, 20, 200, 150);
    LogCapture log;
    const RECT w = ScreenRect(log.Window());
    EXPECT_EQ(w.left, 210);
    EXPECT_EQ(w.top, 20);
    EXPECT_FALSE(IsWindowVisible(log.Window()));
    EXPECT_FALSE(Dialog().IsVisibleFlag());
}

// A long walk moves its category's bar through its step's part of the bar, as entries go, and its
// status line says where the walk is.
TEST(ProgressWindow, ALongWalkMovesTheBarAndSaysWhereItIs)
{
    const FolderScratch scratch;
    LogCapture log;
    const std::string folder = scratch.Root() + "\\many";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 20000; ++i)
        CloseHandle(CreateFileA((folder + "\\file" + std::to_string(i) + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        const WalkProgressScope progress(kBarWindows, kStatusWindows, 20, 60);
        int items = 0;
        float kb = 0.0f;
        CSweepFinder(folder + "\\*.*", false).RemoveTree(TreeMode::Plain, kStatusWindows, &items, &kb);
        done = true;
    });
    bool between = false, told = false;
    PumpUntilTrue([&] {
        const int at = log.BarPosition(IDC_BAR_WINDOWS);
        between = between || (at > 20 && at < 60);
        told = told || log.Text(IDC_STATUS_WINDOWS).rfind("Sweeping " + folder + ": ", 0) == 0;
        return done.load();
    });
    worker.join();
    EXPECT_TRUE(between) << "the bar stood still";
    EXPECT_TRUE(told) << log.Text(IDC_STATUS_WINDOWS);
    RemoveDirectoryA(folder.c_str());
}
