#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "app/ombrix_app.h"
#include "engine/sweep_coordinator.h"
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
#include "ui/tray_icon.h"
#include "ui/tray_menu.h"
#include "ui/ui_state.h"

namespace {
struct MenuItem {
    UINT id;
    UINT type;
    UINT state;
    std::string text;
};

std::vector<MenuItem> ReadMenu(HMENU menu)
{
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back({info.wID, info.fType, info.fState, (info.fType & MFT_OWNERDRAW) ? "" : text});
    }
    return items;
}

// Right-clicks the tray icon and reads the menu it shows; a second click while it is shown must not
// open another one.
std::vector<MenuItem> OpenTrayMenu(const MainWindow& main, int* menusShown)
{
    HWND window = main.GetSafeHwnd();
    std::vector<MenuItem> items;
    WindowWatcher watcher("#32768", nullptr, [&](HWND popup) {
        items = ReadMenu(reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)));
        SendMessageA(window, kTrayMessage, 1, WM_RBUTTONDOWN);
        int shown = 0;
        for (HWND w = FindWindowExA(nullptr, nullptr, "#32768", nullptr); w; w = FindWindowExA(nullptr, w, "#32768", nullptr))
            shown += IsWindowVisible(w) ? 1 : 0;
        *menusShown = shown;
        EndMenu();
    });
    SendMessageA(window, kTrayMessage, 1, WM_RBUTTONDOWN);
    EXPECT_TRUE(watcher.Acted());
    EXPECT_EQ(main.ShownTrayMenu(), nullptr);
    return items;
}

std::vector<std::string> Texts(const std::vector<MenuItem>& items)
{
    std::vector<std::string> texts;
    for (const MenuItem& item : items) texts.push_back((item.type & MFT_SEPARATOR) ? "-" : item.text);
    return texts;
}

std::optional<DWORD> StampOf(const char* key) { return reg::GetNumber(HKEY_CURRENT_USER, key, "LsRn"); }

CSweepProgressDlg* Progress() { return CSweepProgressDlg::Instance(); }
}  // namespace

TEST_F(MainWindowTest, IsTheHiddenOmbrixWindowThatASecondStartFinds)
{
    char className[64] = {};
    GetClassNameA(Window(), className, sizeof className);
    EXPECT_STREQ(className, "Ombrix");
    EXPECT_EQ(WindowText(Window()), "HideOmbrixWindow");
    EXPECT_TRUE(GetWindowLongA(Window(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    ASSERT_TRUE(HandOverToRunningInstance());
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, Window(), kOpenControlPanelMessage, kOpenControlPanelMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 100u);
    // The message opens the control panel; the watcher closes it again.
    WindowWatcher close("#32770", "Ombrix", [](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    DispatchMessageA(&msg);
    EXPECT_TRUE(close.Acted());
    EXPECT_EQ(m_window.ControlPanel(), nullptr);
}

TEST_F(MainWindowTest, TrayMenuOffersWhatTheStateAllows)
{
    int shown = 0;
    std::vector<MenuItem> items = OpenTrayMenu(m_window, &shown);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(items.size(), 11u);
    EXPECT_TRUE(items[0].type & MFT_OWNERDRAW);
    EXPECT_TRUE(items[0].state & MFS_DISABLED);
    EXPECT_EQ(items[0].id, 0u);
    const std::vector<std::string> idle = {"", "-", "Show Control Panel", "Sweep Now", "Preview Sweep", "Show Log Window",
                                           "-", "Online Help", "About", "-", "Exit"};
    EXPECT_EQ(Texts(items), idle);
    EXPECT_EQ(items[3].id, UINT(IDS_TRAY_SWEEP_NOW));
    EXPECT_EQ(items[4].id, UINT(IDS_TRAY_PREVIEW));
    EXPECT_FALSE(items[4].state & MFS_GRAYED);
    EXPECT_EQ(items[10].id, UINT(IDS_TRAY_EXIT));

    // While a sweep runs, it can be cancelled and nothing can be previewed.
    SweepController::SetAllRunning(true);
    Command(IDS_TRAY_SHOW_LOG);
    items = OpenTrayMenu(m_window, &shown);
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[3].text, "Cancel Sweeping");
    EXPECT_EQ(items[3].id, UINT(IDS_TRAY_CANCEL));
    EXPECT_TRUE(items[4].state & MFS_GRAYED);
    EXPECT_EQ(items[5].text, "Hide Log Window");
    EXPECT_EQ(items[5].id, UINT(IDS_TRAY_HIDE_LOG));
    SweepController::SetAllRunning(false);
}

TEST_F(MainWindowTest, SweepNowWithoutEnabledCategoriesDoesNothing)
{
    g_generalSettings.Targets = GeneralBit::AlwaysShowProgress | GeneralBit::Shredder;
    Command(IDS_TRAY_SWEEP_NOW);
    EXPECT_FALSE(SweepController::AllRunning());
    EXPECT_FALSE(m_window.IsAnimating());
    EXPECT_EQ(Progress(), nullptr);
    EXPECT_FALSE(CSweepCoordinator::Instance()->IsAnyWorkerRunning());
}

TEST_F(MainWindowTest, SweepNowSweepsInSightAndStampsWhatRan)
{
    g_generalSettings.Targets = GeneralBit::Windows | GeneralBit::AlwaysShowProgress;
    PlantTemp(5);
    TrayIcon::Instance().Add(Window());
    Command(IDS_TRAY_SWEEP_NOW);
    EXPECT_TRUE(SweepController::AllRunning());
    EXPECT_TRUE(m_window.IsAnimating());
    ASSERT_NE(Progress(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Progress()->GetSafeHwnd()));

    ASSERT_TRUE(SweepEnds());
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_EQ(WindowText(Progress()->GetSafeHwnd()), "Sweeping Completed");
    EXPECT_FALSE(m_window.IsAnimating());
    EXPECT_EQ(TrayIcon::Instance().current, TrayIcon::Instance().NormalIcon());
    // The category that ran stamps its group, the end of the whole sweep the general one.
    EXPECT_GT(StampOf(kWindowsSettingsKey).value_or(0), 0u);
    EXPECT_GT(StampOf(kGeneralSettingsKey).value_or(0), 0u);
    EXPECT_FALSE(StampOf(kInternetSettingsKey));
    LogCapture log;
    EXPECT_EQ(log.Count("Start a thread to clean up the history for Windows."), 1u);
    EXPECT_FALSE(CSweepCoordinator::Instance()->IsStopRequested(kSweepAll));
}

TEST_F(MainWindowTest, RunningInTheBackgroundSweepsWithoutTheLogWindow)
{
    g_generalSettings.Targets = GeneralBit::Windows | GeneralBit::AlwaysShowProgress | GeneralBit::RunningBackground;
    PlantTemp(2);
    Command(IDS_TRAY_SWEEP_NOW);
    ASSERT_TRUE(SweepEnds());
    EXPECT_EQ(Progress(), nullptr);
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(MainWindowTest, AfterCancellingTheNextSweepRunsNormally)
{
    g_generalSettings.Targets = GeneralBit::Windows;
    PlantTemp(3);
    Command(IDS_TRAY_SWEEP_NOW);
    Command(IDS_TRAY_CANCEL);
    EXPECT_TRUE(CSweepCoordinator::Instance()->IsStopRequested(kSweepAll));
    ASSERT_TRUE(SweepEnds());
    EXPECT_FALSE(CSweepCoordinator::Instance()->IsStopRequested(kSweepAll));

    PlantTemp(3);
    Command(IDS_TRAY_SWEEP_NOW);
    ASSERT_TRUE(SweepEnds());
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(MainWindowTest, OnlyTheEndOfAWorkerIsStamped)
{
    PostMessageA(Window(), kWorkerMessage, Category::Windows, 2);
    PostMessageA(Window(), kWorkerMessage, 7, 1);
    PumpPending();
    EXPECT_FALSE(StampOf(kWindowsSettingsKey));
    PostMessageA(Window(), kWorkerMessage, Category::Internet, 1);
    PumpPending();
    EXPECT_GT(StampOf(kInternetSettingsKey).value_or(0), 0u);
    EXPECT_FALSE(StampOf(kGeneralSettingsKey));  // no sweep of all was running
}

TEST_F(MainWindowTest, LogWindowShowsHidesAndComesBackAfterItsCloseBox)
{
    Command(IDS_TRAY_SHOW_LOG);
    ASSERT_NE(Progress(), nullptr);
    HWND dialog = Progress()->GetSafeHwnd();
    EXPECT_EQ(GetParent(dialog), Window());
    EXPECT_TRUE(Progress()->IsVisibleFlag());
    LogCapture log;
    LogLine("still here\n", kStatusLogOnly);
    Command(IDS_TRAY_HIDE_LOG);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(Progress()->IsVisibleFlag());

    Command(IDS_TRAY_SHOW_LOG);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Progress()->IsVisibleFlag());
    PostMessageA(Window(), kShowProgressMessage, 0, 0);
    PumpPending();
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(log.Count("still here"), 1u);
}

TEST_F(MainWindowTest, ShowLogWindowPutsTheSheetAndTheLogSideBySide)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND sheet = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    SetControlPanelWindow(sheet);
    Command(IDS_TRAY_SHOW_LOG);
    RECT s, p;
    GetWindowRect(sheet, &s);
    EXPECT_EQ(s.right, screenWidth / 2);
    EXPECT_EQ(s.top, (screenHeight - 200) / 2);
    EXPECT_EQ(s.right - s.left, 300);
    ASSERT_NE(Progress(), nullptr);
    GetWindowRect(Progress()->GetSafeHwnd(), &p);
    EXPECT_EQ(p.left, s.right);
    EXPECT_EQ(p.top, s.top);

    // A screen narrower than twice the sheet: the sheet goes to the top-left corner.
    MoveWindow(sheet, 50, 50, screenWidth / 2 + 10, 200, TRUE);
    Command(IDS_TRAY_SHOW_LOG);
    GetWindowRect(sheet, &s);
    EXPECT_EQ(s.left, 0);
    EXPECT_EQ(s.top, 0);
    SetControlPanelWindow(nullptr);
    DestroyWindow(sheet);
}

TEST_F(MainWindowTest, TrayIconBlinksBetweenTheNormalAndTheBlankIcon)
{
    TrayIcon& tray = TrayIcon::Instance();
    tray.Add(Window());
    const NOTIFYICONDATAA* record = tray.Record();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->hWnd, Window());
    EXPECT_EQ(record->uID, 1u);
    EXPECT_EQ(record->uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record->uCallbackMessage, 1124u);
    EXPECT_STREQ(record->szTip, "Ombrix");

    m_window.StartAnimation();
    EXPECT_TRUE(m_window.IsAnimating());
    EXPECT_EQ(tray.current, tray.BlankIcon());
    SendMessageA(Window(), WM_TIMER, kAnimationTimerId, 0);
    EXPECT_EQ(tray.current, tray.NormalIcon());
    SendMessageA(Window(), WM_TIMER, kAnimationTimerId, 0);
    EXPECT_EQ(tray.current, tray.BlankIcon());
    EXPECT_EQ(record->hIcon, tray.NormalIcon());
    m_window.StopAnimation();
    EXPECT_FALSE(m_window.IsAnimating());
    EXPECT_EQ(tray.current, tray.NormalIcon());

    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(tray.BlankIcon(), &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    std::vector<BYTE> bits(static_cast<size_t>(mask.bmWidthBytes * mask.bmHeight));
    GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data());
    // The AND half is all ones and the XOR half all zeros: nothing is drawn.
    EXPECT_EQ(std::count(bits.begin(), bits.begin() + long(bits.size() / 2), 0xFF), long(bits.size() / 2));
    EXPECT_EQ(std::count(bits.begin() + long(bits.size() / 2), bits.end(), 0x00), long(bits.size() / 2));
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
}
