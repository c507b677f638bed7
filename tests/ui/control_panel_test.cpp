// The control panel opened through the tray's own path and driven as a user would: clicks, typing,
// the up-down arrows, the dialogs it opens, OK, Apply and Cancel. A driver thread works the windows
// while the test's thread runs the sheet's modal loop; the settings are then read back.
#include <gtest/gtest.h>
#include <span>
#include "cleaners/category_items.h"
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include "engine/sweep_coordinator.h"
#include "framework/registry_key.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tools/cookie_databases.h"
#include "tests/support/files.h"
#include "tests/support/registry_tree.h"
#include "tests/support/log_capture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/window_watcher.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/sweep_controller.h"
#include "ui/ui_state.h"

namespace {
const char kGeneralKey[] = "SOFTWARE\\Quillane\\Ombrix\\General Settings";
const char kWindowsKey[] = "SOFTWARE\\Quillane\\Ombrix\\Windows";
const char kInternetKey[] = "SOFTWARE\\Quillane\\Ombrix\\Internet";
const char kApplicationsKey[] = "SOFTWARE\\Quillane\\Ombrix\\Applications";

DWORD Stored(const std::string& key, const char* name)
{
    DWORD value = 0xDEAD, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string StoredText(const std::string& key, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

template <class Condition>
bool Within(Condition condition, DWORD ms = 20000)
{
    for (const ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(20))
        if (condition()) return true;
    return condition();
}

// A visible dialog of this process owned by `owner` (any owner when null) with that title.
HWND OwnedDialog(HWND owner, const char* title)
{
    HWND found = nullptr;
    Within([&] {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            char className[16] = {};
            GetClassNameA(w, className, sizeof className);
            if (process != GetCurrentProcessId() || !IsWindowVisible(w) || strcmp(className, "#32770") != 0) continue;
            if ((owner && GetWindow(w, GW_OWNER) != owner) || WindowText(w) != title) continue;
            found = w;
            return true;
        }
        return false;
    });
    return found;
}

// After a failed step: the dialogs it left open are cancelled, innermost first, so the test ends.
void CloseStrayDialogs(HWND sheet)
{
    for (int round = 0; round < 10; ++round) {
        HWND stray = nullptr;
        for (HWND w = GetTopWindow(nullptr); w && !stray; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            char className[16] = {};
            GetClassNameA(w, className, sizeof className);
            if (w != sheet && process == GetCurrentProcessId() && IsWindowVisible(w) && !strcmp(className, "#32770"))
                stray = w;
        }
        if (!stray) return;
        ADD_FAILURE() << "left open: " << WindowText(stray);
        PostMessageA(stray, WM_COMMAND, IDCANCEL, 0);
        Within([&] { return !IsWindow(stray) || !IsWindowVisible(stray); }, 5000);
    }
}

HWND ShowPage(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
// For a click that opens a modal window: the driver must not wait for it to end.
void ClickLater(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Type(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
std::string Text(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Select(HWND dialog, int list, int index)
{
    SendDlgItemMessageA(dialog, list, LB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

std::string Item(HWND dialog, int list, int index)
{
    char text[512] = {};
    SendDlgItemMessageA(dialog, list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

int Count(HWND dialog, int list) { return static_cast<int>(SendDlgItemMessageA(dialog, list, LB_GETCOUNT, 0, 0)); }

// A press on the up-down control's lower (down) or upper half, as the mouse makes it.
void PressSpin(HWND dialog, int id, bool down)
{
    HWND spin = GetDlgItem(dialog, id);
    RECT r;
    GetClientRect(spin, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, down ? r.bottom * 3 / 4 : r.bottom / 4);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
}

// The message box the click brings up: its text, after it was answered (OK, or Yes or No).
std::string AnswerBox(HWND owner, const std::function<void()>& click, int answer = IDOK)
{
    click();
    HWND box = OwnedDialog(owner, "Ombrix");
    if (!box) return "(no message box)";
    const std::string text = WindowText(GetDlgItem(box, 0xFFFF));
    SendMessageA(box, WM_COMMAND, answer, 0);
    Within([&] { return !IsWindow(box); });
    return text;
}

class ControlPanelTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        LoadLibraryA("riched20.dll");  // as start-up does, for Cookie View's text
        m_saved = {g_internetSettings.Targets, g_applicationsSettings.Targets};
        g_generalSettings.Targets = GeneralBit::Windows;
        g_generalSettings.TmSn = 3600;
        g_internetSettings.Targets = InternetBit::YahooBar | InternetBit::Cookies;
        g_applicationsSettings.Targets = 0;
    }
    void TearDown() override
    {
        g_internetSettings.Targets = m_saved.first;
        g_applicationsSettings.Targets = m_saved.second;
        g_internetSettings.ReplaceFriendlyCookies({});
        g_internetSettings.ReplaceFriendlySites({});
        MainWindowTest::TearDown();
    }

    // Opens the control panel as the tray's "Show Control Panel" does and lets the driver work it;
    // returns once the sheet has closed.
    void WithPanel(const std::function<void(HWND sheet)>& drive)
    {
        std::thread driver([&] {
            HWND sheet = OwnedDialog(Window(), "Ombrix");
            if (!sheet) {
                ADD_FAILURE() << "the control panel did not open";
                return;
            }
            drive(sheet);
            CloseStrayDialogs(sheet);
            if (IsWindow(sheet) && IsWindowVisible(sheet)) SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        Command(IDS_TRAY_SHOW_PANEL);
        driver.join();
        EXPECT_EQ(m_window.ControlPanel(), nullptr);
    }

    std::pair<uint32_t, uint32_t> m_saved;
};

HWND ApplyButton(HWND sheet) { return GetDlgItem(sheet, 0x3021); }

// Every item's box is on the page, whole and apart from the others.
void ExpectBoxesFit(HWND page, std::span<const CategoryItem> items)
{
    RECT client;
    GetClientRect(page, &client);
    std::vector<RECT> boxes;
    for (const CategoryItem& item : items) {
        if (!item.checkbox) continue;
        HWND box = GetDlgItem(page, item.checkbox);
        ASSERT_TRUE(box && IsWindowVisible(box)) << item.id;
        RECT r;
        GetWindowRect(box, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << item.id;
        for (const RECT& other : boxes) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << item.id;
        }
        boxes.push_back(r);
    }
}
}  // namespace

// Every page in its tab order: checkboxes, the exclusive schedule boxes, typing and spinning the
// period, then OK. What OK stored is what was on screen; the hidden Yahoo Bar bit survives.
TEST_F(ControlPanelTest, EveryPageEditsItsSettingsAndOkStoresThem)
{
    WithPanel([&](HWND sheet) {
        EXPECT_TRUE(Within([&] { return IsWindowEnabled(ApplyButton(sheet)) != FALSE; }, 3000))
            << "Apply is enabled from the start";
        HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        std::string order;
        for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            order += std::string(text) + "|";
        }
        EXPECT_EQ(order, "Settings|Sweep Windows|Sweep Internet|Sweep Applications|Sweep More|");

        HWND settings = ShowPage(sheet, 0);
        EXPECT_TRUE(Checked(settings, IDC_SET_WINDOWS));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_SET_HOURS)));
        Click(settings, IDC_SET_INTERNET);
        Click(settings, IDC_SET_DEEP_SWEEP);
        Click(settings, IDC_SET_EVERY);
        EXPECT_TRUE(g_generalSettings.StTm & SweepAtBit::Timer) << "written to the live settings at once";
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(settings, IDC_SET_HOURS)));
        EXPECT_EQ(Text(settings, IDC_SET_HOURS), "01");
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "00");
        Type(settings, IDC_SET_HOURS, "7");
        Type(settings, IDC_SET_MINUTES, "30");
        Type(settings, IDC_SET_MINUTES, "x");
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "30") << "invalid text goes back to the last valid value";
        Type(settings, IDC_SET_MINUTES, "75");
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "30");
        PressSpin(settings, IDC_SET_MINUTES_SPIN, true);
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "29");
        // "Startup" excludes "Every "; "Every " again excludes "Startup".
        Click(settings, IDC_SET_STARTUP);
        EXPECT_FALSE(Checked(settings, IDC_SET_EVERY));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_SET_MINUTES)));
        Click(settings, IDC_SET_EVERY);
        EXPECT_FALSE(Checked(settings, IDC_SET_STARTUP));
        EXPECT_EQ(Text(settings, IDC_SET_HOURS), "07");
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "29");

        HWND windows = ShowPage(sheet, 1);
        EXPECT_TRUE(Checked(windows, IDC_WIN_TEMPORARY));
        Click(windows, IDC_WIN_RECYCLE_BIN);
        ExpectBoxesFit(windows, WindowsItems());
        for (int id : {IDC_WIN_EXPLORER, IDC_WIN_JUMP_LISTS, IDC_WIN_THUMBNAILS, IDC_WIN_ERROR_REPORTS, IDC_WIN_DNS})
            Click(windows, id);
        // The items that change more than traces ask first; No leaves the box unticked.
        const auto tick = [&](int id, int answer) { return AnswerBox(sheet, [&] { ClickLater(windows, id); }, answer); };
        EXPECT_NE(tick(IDC_WIN_FOLDER_VIEWS, IDNO).find("icon positions"), std::string::npos);
        EXPECT_TRUE(Within([&] { return !Checked(windows, IDC_WIN_FOLDER_VIEWS); }));
        tick(IDC_WIN_FOLDER_VIEWS, IDYES);
        EXPECT_NE(tick(IDC_WIN_CLIPBOARD, IDYES).find("Clipboard"), std::string::npos);
        EXPECT_TRUE(Checked(windows, IDC_WIN_FOLDER_VIEWS) && Checked(windows, IDC_WIN_CLIPBOARD));
        HWND internet = ShowPage(sheet, 2);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(internet, IDC_NET_YAHOO)));
        Click(internet, IDC_NET_TEMPORARY);
        Click(internet, IDC_NET_COOKIES);
        HWND applications = ShowPage(sheet, 3);
        Click(applications, IDC_APP_WORD);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(Stored(kGeneralKey, "Targets"), GeneralBit::Windows | GeneralBit::Internet | GeneralBit::DeepSweep);
    EXPECT_EQ(Stored(kGeneralKey, "StTm"), SweepAtBit::Timer);
    EXPECT_EQ(Stored(kGeneralKey, "TmSn"), 7u * 3600 + 29 * 60);
    EXPECT_NE(m_window.SweepTimer(), kNoTimer) << "the changed schedule set the timer";
    EXPECT_EQ(Stored(kWindowsKey, "Targets"), WindowsBit::TemporaryFiles | WindowsBit::RecycleBin | 0x3F80u);
    EXPECT_EQ(Stored(kInternetKey, "Targets"), InternetBit::YahooBar | InternetBit::TemporaryFiles);
    EXPECT_EQ(Stored(kApplicationsKey, "Targets"), ApplicationsBit::Word);
}

// Cancel keeps the stored settings, but "Every " has written its bit to the live settings already;
// the hours up-down stops at 23 and the minutes one never reaches a period of 0.
TEST_F(ControlPanelTest, CancelKeepsTheStoredSettingsAndTheArrowsKeepTheirLimits)
{
    g_generalSettings.StTm = SweepAtBit::Timer;
    g_generalSettings.TmSn = 23 * 3600;
    g_generalSettings.SaveToUser(kGeneralKey);
    WithPanel([&](HWND sheet) {
        HWND settings = ShowPage(sheet, 0);
        PressSpin(settings, IDC_SET_HOURS_SPIN, false);
        EXPECT_EQ(Text(settings, IDC_SET_HOURS), "23");
        for (int i = 0; i < 23; ++i) PressSpin(settings, IDC_SET_HOURS_SPIN, true);
        EXPECT_EQ(Text(settings, IDC_SET_HOURS), "00");
        PressSpin(settings, IDC_SET_MINUTES_SPIN, true);
        EXPECT_EQ(Text(settings, IDC_SET_MINUTES), "01") << "the period cannot reach 0 by the arrows";
        Click(settings, IDC_SET_SHREDDER);
        Click(settings, IDC_SET_EVERY);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_EQ(Stored(kGeneralKey, "Targets"), GeneralBit::Windows);
    EXPECT_EQ(Stored(kGeneralKey, "TmSn"), 23u * 3600);
    EXPECT_EQ(g_generalSettings.StTm & SweepAtBit::Timer, 0u);
}

// A page's sweep button sweeps its category alone and turns into its cancel; "Sweep Now" sweeps the
// enabled categories; with "Running Background" the panel closes as soon as the sweep is asked for.
TEST_F(ControlPanelTest, SweepButtonsSweepAndRunningBackgroundClosesThePanel)
{
    LogCapture log;
    PlantTemp(3);
    WithPanel([&](HWND sheet) {
        HWND windows = ShowPage(sheet, 1);
        Click(windows, IDC_WIN_SWEEP);
        EXPECT_EQ(Text(windows, IDC_WIN_SWEEP), "Cancel Sweep");
        EXPECT_TRUE(Within([&] { return Text(windows, IDC_WIN_SWEEP) == "Sweep Windows"; }));
        EXPECT_EQ(Text(windows, IDC_WIN_LAST_SWEEP).rfind("Last Sweeping Time: ", 0), 0u);
        EXPECT_TRUE(TempIsEmpty());
        EXPECT_FALSE(SweepController::AllRunning()) << "a page's sweep is not a sweep of everything";

        PlantTemp(2);
        HWND settings = ShowPage(sheet, 0);
        Click(settings, IDC_SET_SWEEP_NOW);
        EXPECT_TRUE(Within([&] { return Text(settings, IDC_SET_SWEEP_NOW) == "Sweep Now" && !SweepController::AllRunning(); }));
        EXPECT_TRUE(TempIsEmpty());
        EXPECT_EQ(Text(settings, IDC_SET_LAST_SWEEP).rfind("Last Sweeping Time: ", 0), 0u);

        PlantTemp(1);
        Click(settings, IDC_SET_BACKGROUND);
        ClickLater(settings, IDC_SET_SWEEP_NOW);
        EXPECT_TRUE(Within([&] { return !IsWindow(sheet); })) << "Running Background closes the panel";
    });
    EXPECT_TRUE(SweepEnds());
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_EQ(log.Count("Start Sweeping windows temporary files manually."), 1u);
    EXPECT_EQ(log.Count("Start Sweeping everything manually."), 2u);
    EXPECT_TRUE(Stored(kGeneralKey, "Targets") & GeneralBit::RunningBackground) << "applied before the sweep";
}

// The custom locations: the three message boxes, drive and system folders refused, the duplicate
// test without regard to case, the folder picker, Update and Delete; OK hands the list to the page
// and the sheet's OK stores it.
TEST_F(ControlPanelTest, CustomLocationsAreEditedThroughTheDialogsAndStored)
{
    const std::string logs = Path("Logs"), cache = Path("Cache");
    files::MakeDirs(logs);
    files::MakeDirs(cache);
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(Path("").c_str());  // where the picker opens
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        ClickLater(page, IDC_WIN_LOCATIONS_EDIT);
        HWND dialog = OwnedDialog(nullptr, "Customize Cleaning Directories");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_ADD); }), "There is no directory data input.");
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_DELETE); }),
                  "Please select a deleting item from the list box.");
        Type(dialog, IDC_CUS_FOLDER, "C:\\");
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_ADD); }),
                  "C:\\ is a whole drive; choose a folder inside it.");
        Type(dialog, IDC_CUS_FOLDER, windowsFolder);
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_ADD); }),
                  std::string(windowsFolder) + " is a system folder; Ombrix does not sweep it.");

        Type(dialog, IDC_CUS_FOLDER, logs);
        Type(dialog, IDC_CUS_FILTER, "x.log");
        Click(dialog, IDC_CUS_SUBFOLDERS);
        Click(dialog, IDC_CUS_ADD);
        EXPECT_EQ(Item(dialog, IDC_CUS_LIST, 0), logs + ": x.log: including subdirectories");
        Click(dialog, IDC_CUS_SUBFOLDERS);
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_ADD); }),
                  "The input directory has already been in the list.");
        std::string lower = logs;
        for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        Type(dialog, IDC_CUS_FOLDER, lower);
        Type(dialog, IDC_CUS_FILTER, "X.LOG");
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_ADD); }),
                  "The input directory has already been in the list.");

        // The picker: a folder chosen in its list, a wildcard filter typed, its visible OK.
        ClickLater(dialog, IDC_CUS_BROWSE);
        HWND picker = OwnedDialog(dialog, "Directory Select");
        ASSERT_NE(picker, nullptr);
        HWND folders = GetDlgItem(picker, IDC_PICK_FOLDERS);
        const LRESULT at = SendMessageA(folders, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("[Cache]"));
        ASSERT_NE(at, LB_ERR) << "the picker lists the folders of the scratch folder";
        SendMessageA(folders, LB_SETCURSEL, at, 0);
        Click(picker, IDC_PICK_SUBFOLDERS);
        Type(picker, IDC_PICK_FILTER, "*.t?p");
        Click(picker, IDC_PICK_OK);
        EXPECT_TRUE(Within([&] { return !IsWindow(picker); }));
        EXPECT_EQ(Text(dialog, IDC_CUS_FOLDER), cache);
        EXPECT_EQ(Text(dialog, IDC_CUS_FILTER), "*.t?p");
        EXPECT_TRUE(Checked(dialog, IDC_CUS_SUBFOLDERS));
        Click(dialog, IDC_CUS_ADD);
        ASSERT_EQ(Count(dialog, IDC_CUS_LIST), 2);

        // Entries keep their places; Update replaces the selected one, Update without one says so.
        Select(dialog, IDC_CUS_LIST, 0);
        EXPECT_EQ(Text(dialog, IDC_CUS_FOLDER), logs);
        Type(dialog, IDC_CUS_FILTER, "y.log");
        Click(dialog, IDC_CUS_UPDATE);
        EXPECT_EQ(Item(dialog, IDC_CUS_LIST, 0), logs + ": y.log: including subdirectories");
        Select(dialog, IDC_CUS_LIST, 1);
        Type(dialog, IDC_CUS_FILTER, "y.log");
        Type(dialog, IDC_CUS_FOLDER, logs);
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_UPDATE); }),
                  "The update directory has already been in the list.");
        SendDlgItemMessageA(dialog, IDC_CUS_LIST, LB_SETCURSEL, WPARAM(-1), 0);
        EXPECT_EQ(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_CUS_UPDATE); }),
                  "Please select an updating item from the list box.");
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
        EXPECT_EQ(Count(page, IDC_WIN_LOCATIONS), 2);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    SetCurrentDirectoryA(previous);
    const std::string first = std::string(kWindowsKey) + "\\CusDir.0", second = std::string(kWindowsKey) + "\\CusDir.1";
    EXPECT_EQ(StoredText(first, "Dir"), logs);
    EXPECT_EQ(StoredText(first, "Flt"), "y.log");
    EXPECT_EQ(Stored(first, "SubInc"), 1u);
    EXPECT_EQ(StoredText(second, "Dir"), cache);
    EXPECT_EQ(StoredText(second, "Flt"), "*.t?p");
}

// Cookie Control: cookies move both ways with the buttons following the selections, a cookie's text
// is shown, OK stores the friendly list at once and Cancel leaves it alone.
TEST_F(ControlPanelTest, CookieControlMovesCookiesAndStoresTheFriendlyList)
{
    char folder[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COOKIES, TRUE));
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string a = std::string(folder) + "\\a" + tag + ".txt", b = std::string(folder) + "\\b" + tag + ".txt",
                      c = std::string(folder) + "\\c" + tag + ".txt";
    for (const std::string& file : {a, b, c}) files::Write(file, "id\n" + file + "\nexample.com/\n");
    g_internetSettings.ReplaceFriendlyCookies({{"Cookie:user@example.com/", c}});
    auto countOurs = [&](HWND dialog, int list) {
        int n = 0;
        for (int i = 0; i < Count(dialog, list); ++i) n += Item(dialog, list, i).find(tag) != std::string::npos;
        return n;
    };

    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 2);
        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        HWND dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(countOurs(dialog, IDC_COOKIE_CURRENT), 2);
        EXPECT_EQ(Item(dialog, IDC_COOKIE_FRIENDLY, 0), "c" + tag + ".txt");
        for (const int button : {IDC_COOKIE_TO_FRIENDLY, IDC_COOKIE_TO_CURRENT, IDC_COOKIE_VIEW})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, button)));
        const LRESULT at = SendDlgItemMessageA(dialog, IDC_COOKIE_CURRENT, LB_FINDSTRINGEXACT, WPARAM(-1),
                                               reinterpret_cast<LPARAM>(("a" + tag + ".txt").c_str()));
        ASSERT_NE(at, LB_ERR);
        Select(dialog, IDC_COOKIE_FRIENDLY, 0);
        Select(dialog, IDC_COOKIE_CURRENT, static_cast<int>(at));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_COOKIE_TO_FRIENDLY)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_COOKIE_TO_CURRENT)));
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COOKIE_FRIENDLY, LB_GETCURSEL, 0, 0), LB_ERR);

        ClickLater(dialog, IDC_COOKIE_VIEW);
        HWND view = OwnedDialog(dialog, a.c_str());
        ASSERT_NE(view, nullptr) << "Cookie View is titled with the cookie's path";
        EXPECT_NE(WindowText(GetDlgItem(view, IDC_COOKIE_TEXT)).find("example.com/"), std::string::npos);
        Click(view, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(view); }));

        Click(dialog, IDC_COOKIE_TO_FRIENDLY);
        EXPECT_EQ(Item(dialog, IDC_COOKIE_FRIENDLY, 1), "a" + tag + ".txt");
        EXPECT_EQ(countOurs(dialog, IDC_COOKIE_CURRENT), 1);
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
        // Stored once the dialog has returned, before anything else happens on the panel's thread.
        EXPECT_TRUE(Within([&] { return StoredText(std::string(kInternetKey) + "\\Cookie.1", "Fl") == a; }))
            << "saved at once";

        // Moved back and cancelled: nothing changes.
        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(countOurs(dialog, IDC_COOKIE_CURRENT), 1) << "a friendly cookie is no longer current";
        Select(dialog, IDC_COOKIE_FRIENDLY, 1);
        Click(dialog, IDC_COOKIE_TO_CURRENT);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COOKIE_FRIENDLY, LB_GETCURSEL, 0, 0), 0)
            << "moving the last entry selects the new last one";
        Click(dialog, IDCANCEL);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
    });
    FriendlyCookieList stored;
    g_internetSettings.CopyFriendlyCookies(stored);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].Fl, c);
    EXPECT_EQ(stored[0].Url, "Cookie:user@example.com/");
    EXPECT_EQ(stored[1].Fl, a);
    EXPECT_EQ(stored[1].Url, "") << "a cookie made friendly here has no cache entry name";
    EXPECT_EQ(StoredText(std::string(kInternetKey) + "\\Cookie.0", "Fl"), c);
    for (const std::string& file : {a, b, c}) DeleteFileA(file.c_str());
}

// Cookie Control lists the sites the browsers' cookie databases hold, with the browsers; a site moved
// to the friendly list, or typed there, is stored as a friendly site with OK, and moved back it goes.
// Text that is no host name is refused with a message, and OK then keeps the dialog open.
TEST_F(ControlPanelTest, CookieControlKeepsSitesOfEveryBrowser)
{
    reg::SetText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                 "Local AppData", Path("Local"));
    ASSERT_TRUE(PlantCookieDatabase(Path("Local\\Google\\Chrome\\User Data\\Default\\Network\\Cookies"), true,
                                    {{".mail.example.com", "a"}, {"tracker.net", "b"}}));
    ASSERT_TRUE(PlantCookieDatabase(Path("Local\\Microsoft\\Edge\\User Data\\Default\\Network\\Cookies"), true,
                                    {{"MAIL.example.com", "c"}}));
    const auto find = [](HWND dialog, int list, const std::string& start) {
        for (int i = 0; i < Count(dialog, list); ++i)
            if (Item(dialog, list, i).rfind(start, 0) == 0) return i;
        return -1;
    };
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 2);
        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        HWND dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        const int mail = find(dialog, IDC_COOKIE_CURRENT, "mail.example.com");
        ASSERT_GE(mail, 0);
        EXPECT_NE(Item(dialog, IDC_COOKIE_CURRENT, mail).find("Google Chrome, Microsoft Edge"), std::string::npos);
        EXPECT_GE(find(dialog, IDC_COOKIE_CURRENT, "tracker.net"), 0);
        Select(dialog, IDC_COOKIE_CURRENT, mail);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_COOKIE_VIEW))) << "a site has no cookie file to show";
        Click(dialog, IDC_COOKIE_TO_FRIENDLY);

        SetDlgItemTextA(dialog, IDC_COOKIE_SITE, "https://bank.example/login");
        EXPECT_NE(AnswerBox(dialog, [&] { ClickLater(dialog, IDC_COOKIE_ADD_SITE); }).find("is not a site's host name"),
                  std::string::npos);
        SetDlgItemTextA(dialog, IDC_COOKIE_SITE, " Bank.Example ");
        Click(dialog, IDOK);  // added with OK
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
        EXPECT_TRUE(Within([&] {
            return g_internetSettings.CopyFriendlySites() == FriendlySites{"mail.example.com", "bank.example"};
        }));

        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_LT(find(dialog, IDC_COOKIE_CURRENT, "mail.example.com"), 0) << "a friendly site is no longer current";
        Select(dialog, IDC_COOKIE_FRIENDLY, find(dialog, IDC_COOKIE_FRIENDLY, "mail.example.com"));
        Click(dialog, IDC_COOKIE_TO_CURRENT);
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
    });
    EXPECT_EQ(g_internetSettings.CopyFriendlySites(), FriendlySites{"bank.example"});
    DWORD type = 0;
    using namespace std::string_literals;
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", &type), "bank.example\0\0"s);
}

// Cookie Control shows a stored list of ten thousand sites whole and stores it again with the one
// typed; a stored list that could not be read, shown empty, stays as it is stored.
TEST_F(ControlPanelTest, CookieControlHoldsTenThousandSites)
{
    using namespace std::string_literals;
    const auto load = [] {
        const uint32_t targets = g_internetSettings.Targets;
        CRegistryKey key(HKEY_CURRENT_USER, kInternetKey);
        g_internetSettings.LoadValues(key);
        g_internetSettings.Targets = targets;
    };
    const auto listed = [](HWND dialog, const char* site) {
        return SendDlgItemMessageA(dialog, IDC_COOKIE_FRIENDLY, LB_FINDSTRINGEXACT, WPARAM(-1),
                                   reinterpret_cast<LPARAM>(site)) != LB_ERR;
    };
    std::string stored;
    for (int n = 0; n < 10000; ++n) stored += "site-" + std::to_string(n) + ".example" + '\0';
    reg::SetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", REG_MULTI_SZ, stored + '\0');
    load();
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 2);
        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        HWND dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Count(dialog, IDC_COOKIE_FRIENDLY), 10000);
        EXPECT_TRUE(listed(dialog, "site-0.example"));
        EXPECT_TRUE(listed(dialog, "site-9999.example"));
        Type(dialog, IDC_COOKIE_SITE, "one-more.example");
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
    });
    DWORD type = 0;
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", &type), stored + "one-more.example\0\0"s);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    load();
    EXPECT_EQ(g_internetSettings.CopyFriendlySites().value_or(FriendlySites{}).size(), 10001u);

    reg::SetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", REG_BINARY, "site.example\0\0"s);
    load();
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 2);
        ClickLater(page, IDC_NET_COOKIE_CONTROL);
        HWND dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(listed(dialog, "site.example"));
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
    });
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", &type), "site.example\0\0"s);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_FALSE(g_internetSettings.CopyFriendlySites().has_value());
}

// "Get Rules..." downloads the community file from the stored source and says what came; the list
// then holds its rules, and the button offers to update them. A failed download says why and leaves
// the file as it was. The weekly update is off until Settings turns it on.
TEST_F(ControlPanelTest, SweepMoreGetsTheRules)
{
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    const std::string path = std::string(appData) + "\\Ombrix\\winapp2.ini";
    DeleteFileA(path.c_str());
    const std::string community = "; Version: 251209\r\n[Fetched One *]\r\nFileKey1=%AppData%\\One|*.tmp\r\n"
                                  "[Fetched Two *]\r\nFileKey1=%AppData%\\Two|*.tmp\r\n";
    const LoopbackServer good(HttpAnswer(community)), missing(HttpAnswer(community, "404 Not Found"));
    const std::string rulesKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";
    reg::SetText(HKEY_CURRENT_USER, rulesKey, "Source", good.Url());
    const auto button = [](HWND page) {
        wchar_t text[64] = {};
        GetDlgItemTextW(page, IDC_RULES_GET, text, 64);
        return std::wstring(text);
    };
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 4);
        HWND list = GetDlgItem(page, IDC_RULES_LIST);
        EXPECT_EQ(button(page), L"Get Rules\u2026");
        EXPECT_EQ(AnswerBox(sheet, [&] { ClickLater(page, IDC_RULES_GET); }),
                  "Rules: 2 rule(s), version 251209, from " + good.Url() + ".");
        EXPECT_TRUE(Within([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
        EXPECT_NE(Text(page, IDC_RULES_FILES).find("(2 rules, version 251209)"), std::string::npos) << Text(page, IDC_RULES_FILES);
        EXPECT_EQ(button(page), L"Update Rules\u2026");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_RULES_PROGRESS)));
        reg::SetText(HKEY_CURRENT_USER, rulesKey, "Source", missing.Url());
        EXPECT_NE(AnswerBox(sheet, [&] { ClickLater(page, IDC_RULES_GET); }).find("404"), std::string::npos);
        EXPECT_EQ(button(page), L"Update Rules\u2026");
        HWND settings = ShowPage(sheet, 0);
        EXPECT_FALSE(Checked(settings, IDC_SET_WEEKLY_RULES)) << "off by default";
        Click(settings, IDC_SET_WEEKLY_RULES);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, rulesKey, "UpdateWeekly"), 1u);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, rulesKey.c_str(), "UpdateWeekly");
    EXPECT_EQ(files::Read(path), community);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, rulesKey.c_str(), "Source");
    DeleteFileA(path.c_str());
}

// With a file of the community's size, Sweep More's count is shown whole, and every rule the filter
// shows is ticked or unticked in one action: a rule that cannot run stays unticked, those that warn
// only once the user agrees. A rule's tooltip says what of it will not run here.
TEST_F(ControlPanelTest, SweepMoreTicksEveryShownRuleAtOnce)
{
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    std::string rules = "[Alpha Broken *]\nFileKey1=%AppData%\\Broken|*.tmp\nCleanAll=1\n"
                        "[Alpha Warned *]\nWarning=It also removes the tool's settings.\nFileKey1=%AppData%\\W|*.tmp\n"
                        "[Alpha System *]\nFileKey1=%AppData%\\S|*.tmp\nFileKey2=%WinDir%\\System32|*.log\n";
    for (int i = 0; i < 4064; ++i) {
        const std::string n = std::to_string(1000 + i);
        rules += "[Tool " + n + " *]\nLangSecRef=3021\n" + (i % 2 ? "Detect=HKCU\\Software\\NoSuchTool" + n + "\n" : "") +
                 "FileKey1=%AppData%\\Tool" + n + "|*.tmp\n";
    }
    files::Write(std::string(appData) + "\\Ombrix\\winapp2.ini", rules);
    const auto ticked = [](HWND list, int item) {
        return (SendMessageA(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    };
    const auto count = [](HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); };
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 4);
        HWND list = GetDlgItem(page, IDC_RULES_LIST);
        ASSERT_TRUE(Within([&] { return IsWindowEnabled(GetDlgItem(page, IDC_RULES_TICK_SHOWN)); }));
        const std::string label = Text(page, IDC_RULES_COUNT);
        EXPECT_EQ(label, "2035 of 4067 rules are for this machine");
        HWND countLabel = GetDlgItem(page, IDC_RULES_COUNT);
        HDC dc = GetDC(countLabel);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(countLabel, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &extent);
        ReleaseDC(countLabel, dc);
        RECT box{};
        GetClientRect(countLabel, &box);
        EXPECT_LE(extent.cx, box.right) << "the count is cut";

        NMLVGETINFOTIPA tip{};
        char tipText[1024] = {};
        tip.hdr = {list, IDC_RULES_LIST, static_cast<UINT>(LVN_GETINFOTIPA)};
        tip.pszText = tipText;
        tip.cchTextMax = sizeof tipText;
        tip.iItem = 1;  // Alpha System, by name
        SendMessageA(page, WM_NOTIFY, IDC_RULES_LIST, reinterpret_cast<LPARAM>(&tip));
        EXPECT_NE(std::string(tipText).find("Will not run here: "), std::string::npos) << tipText;
        EXPECT_NE(std::string(tipText).find("System32"), std::string::npos) << tipText;

        Type(page, IDC_RULES_FILTER, "tool 1");
        EXPECT_TRUE(Within([&] { return count(list) == 500; })) << count(list);
        Click(page, IDC_RULES_TICK_SHOWN);
        for (int i = 0; i < 500; ++i) ASSERT_TRUE(ticked(list, i)) << i;
        Type(page, IDC_RULES_FILTER, "");
        EXPECT_TRUE(Within([&] { return count(list) == 2035; }));
        EXPECT_FALSE(ticked(list, 0) || ticked(list, 1) || ticked(list, 2)) << "the filter hid them";
        Type(page, IDC_RULES_FILTER, "alpha");
        EXPECT_TRUE(Within([&] { return count(list) == 3; }));
        EXPECT_NE(AnswerBox(sheet, [&] { ClickLater(page, IDC_RULES_TICK_SHOWN); }, IDNO).find("settings"), std::string::npos);
        EXPECT_TRUE(Within([&] { return ticked(list, 1); }));
        EXPECT_FALSE(ticked(list, 0)) << "it cannot run";
        EXPECT_FALSE(ticked(list, 2)) << "the user said no";
        AnswerBox(sheet, [&] { ClickLater(page, IDC_RULES_TICK_SHOWN); }, IDYES);
        EXPECT_TRUE(Within([&] { return ticked(list, 2); }));
        Type(page, IDC_RULES_FILTER, "tool 10");
        EXPECT_TRUE(Within([&] { return count(list) == 50; }));
        Click(page, IDC_RULES_UNTICK_SHOWN);
        for (int i = 0; i < 50; ++i) ASSERT_FALSE(ticked(list, i)) << i;
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    const std::string stored = reg::GetRaw(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Rules", "Enabled").value_or("");
    size_t names = 0;
    for (size_t at = 0; at < stored.size() && stored[at]; at = stored.find('\0', at) + 1) ++names;
    EXPECT_EQ(names, 500u - 50u + 2u);
    EXPECT_NE(stored.find("Tool 1100 *"), std::string::npos);
    EXPECT_EQ(stored.find("Tool 1000 *"), std::string::npos);
    EXPECT_NE(stored.find("Alpha Warned *"), std::string::npos);
}

// "Sweep More" lists the rules for this machine only; a rule with a warning is ticked only once the
// user agrees, one that cannot run not at all (the message says why); the filter narrows the list
// without losing a tick; OK stores the ticked names, a stored but undetected one kept.
TEST_F(ControlPanelTest, SweepMoreTicksRulesAndStoresThem)
{
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    files::Write(std::string(appData) + "\\Ombrix\\winapp2.ini",
                 "[Tool With Warning *]\nLangSecRef=3024\nWarning=It also removes the tool's settings.\n"
                 "FileKey1=%AppData%\\Tool|*.tmp\n"
                 "[Broken *]\nFileKey1=%AppData%\\Broken|*.tmp\nCleanAll=1\n"
                 "[Elsewhere *]\nDetect=HKCU\\Software\\NoSuchTool\nFileKey1=%AppData%\\E|*.tmp\n"
                 "[Temp Logs *]\nLangSecRef=3025\nFileKey1=%Temp%|*.rulelog\n");
    PlantTemp(1);
    files::Write(Path("Temp\\old.rulelog"), "trace");
    reg::SetRaw(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Rules", "Enabled", REG_MULTI_SZ,
                std::string("Elsewhere *\0\0", 13));
    const auto tickLater = [](HWND list, int item, bool ticked) {
        std::thread([=] {
            LVITEMA state{};
            state.stateMask = LVIS_STATEIMAGEMASK;
            state.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
            SendMessageA(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
        }).detach();
    };
    const auto ticked = [](HWND list, int item) {
        return (SendMessageA(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    };
    WithPanel([&](HWND sheet) {
        HWND page = ShowPage(sheet, 4);
        HWND list = GetDlgItem(page, IDC_RULES_LIST);
        ASSERT_TRUE(Within([&] { return IsWindowEnabled(GetDlgItem(page, IDC_RULES_SWEEP)); })) << "detection ended";
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3) << "the undetected rule is not shown";
        EXPECT_NE(Text(page, IDC_RULES_COUNT).find("3 of 4"), std::string::npos) << Text(page, IDC_RULES_COUNT);
        EXPECT_NE(Text(page, IDC_RULES_FILES).find("winapp2.ini (4 rules)"), std::string::npos);
        // By category, then by name.
        const int broken = 0, warned = 1, temp = 2;
        EXPECT_NE(AnswerBox(sheet, [&] { tickLater(list, broken, true); }).find("cannot run: unknown key CleanAll"),
                  std::string::npos);
        EXPECT_TRUE(Within([&] { return !ticked(list, broken); }));
        EXPECT_NE(AnswerBox(sheet, [&] { tickLater(list, warned, true); }, IDNO).find("settings"), std::string::npos);
        EXPECT_TRUE(Within([&] { return !ticked(list, warned); }));
        AnswerBox(sheet, [&] { tickLater(list, warned, true); }, IDYES);
        EXPECT_TRUE(Within([&] { return ticked(list, warned); }));
        tickLater(list, temp, true);
        EXPECT_TRUE(Within([&] { return ticked(list, temp); }));
        // The rules alone: the Windows category's own temp item does not run.
        Click(page, IDC_RULES_SWEEP);
        EXPECT_EQ(Text(page, IDC_RULES_SWEEP), "Cancel Sweep");
        EXPECT_TRUE(Within([&] { return Text(page, IDC_RULES_SWEEP) == "Sweep More"; }));
        EXPECT_TRUE(Within([&] { return !files::Exists(Path("Temp\\old.rulelog")); }));
        EXPECT_TRUE(SweepEnds());
        EXPECT_FALSE(TempIsEmpty());
        Type(page, IDC_RULES_FILTER, "warn");
        EXPECT_TRUE(Within([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }));
        EXPECT_TRUE(ticked(list, 0)) << "the filter keeps the tick";
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    DWORD type = 0;
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Rules", "Enabled", &type),
              std::string("Elsewhere *\0Tool With Warning *\0Temp Logs *\0\0", 45));
}

namespace {
// The controls of a page that a tooltip of the page describes with this text.
std::set<UINT_PTR> ToolsSaying(HWND page, const std::string& text)
{
    struct Search {
        HWND owner;
        std::vector<HWND> tips;
    } search{GetAncestor(page, GA_ROOT), {}};  // a popup's owner is a top-level window
    EnumWindows(
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            char className[32] = {};
            GetClassNameA(w, className, sizeof className);
            if (GetWindow(w, GW_OWNER) == s->owner && !lstrcmpiA(className, TOOLTIPS_CLASSA)) s->tips.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::set<UINT_PTR> tools;
    for (HWND tip : search.tips) {
        const int count = static_cast<int>(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char said[128] = {};
            TOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.lpszText = said;
            if (SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool)) && tool.hwnd == page && text == said)
                tools.insert(tool.uId);
        }
    }
    return tools;
}
}  // namespace

// The administrator's policy, read again as the panel opens: the machine's Windows items over the
// user's policy and the user's own; every box of the page disabled with its tip; the fixed schedule
// too. Apply stores what the user may change and leaves the user's stored values of the fixed ones.
TEST_F(ControlPanelTest, BoxesFixedByPolicyAreDisabledAndApplyLeavesTheUsersValues)
{
    const std::string windowsPolicy = "SOFTWARE\\Policies\\Quillane\\Ombrix\\Windows";
    const std::string generalPolicy = "SOFTWARE\\Policies\\Quillane\\Ombrix\\General Settings";
    g_windowsSettings.Targets = WindowsBit::TemporaryFiles;
    g_generalSettings.StTm = SweepAtBit::Timer;
    g_windowsSettings.SaveToUser(kWindowsKey);
    g_generalSettings.SaveToUser(kGeneralKey);
    reg::SetNumber(HKEY_CURRENT_USER, windowsPolicy, "Targets", WindowsBit::Documents);
    reg::SetNumber(HKEY_LOCAL_MACHINE, windowsPolicy, "Targets", WindowsBit::RecycleBin);
    reg::SetNumber(HKEY_CURRENT_USER, generalPolicy, "StTm", SweepAtBit::Startup);
    const std::string internetPolicy = "SOFTWARE\\Policies\\Quillane\\Ombrix\\Internet";
    reg::SetRaw(HKEY_LOCAL_MACHINE, internetPolicy, "FriendlySites", REG_MULTI_SZ, std::string("school.example\0\0", 16));
    WithPanel([&](HWND sheet) {
        HWND windows = ShowPage(sheet, 1);
        EXPECT_TRUE(Checked(windows, IDC_WIN_RECYCLE_BIN));
        EXPECT_FALSE(Checked(windows, IDC_WIN_TEMPORARY) || Checked(windows, IDC_WIN_DOCUMENTS));
        std::set<UINT_PTR> boxes;
        for (const CategoryItem& item : WindowsItems()) {
            if (!item.checkbox) continue;
            boxes.insert(static_cast<UINT_PTR>(item.checkbox));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(windows, item.checkbox))) << item.id;
        }
        EXPECT_EQ(ToolsSaying(windows, "Set by your administrator."), boxes);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(windows, IDC_WIN_LOCATIONS_EDIT))) << "custom locations are allowed";
        HWND settings = ShowPage(sheet, 0);
        EXPECT_TRUE(Checked(settings, IDC_SET_STARTUP));
        for (int id : {IDC_SET_EVERY, IDC_SET_SHUTDOWN, IDC_SET_STARTUP})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, id))) << id;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(settings, IDC_SET_DEEP_SWEEP)));
        Click(settings, IDC_SET_DEEP_SWEEP);
        HWND internet = ShowPage(sheet, 2);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(internet, IDC_NET_COOKIES))) << "nothing fixes the Internet items";
        // The policy's friendly sites are shown, and none can be typed in.
        ClickLater(internet, IDC_NET_COOKIE_CONTROL);
        HWND dialog = OwnedDialog(nullptr, "Cookie Control");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ToolsSaying(dialog, "Set by your administrator."), (std::set<UINT_PTR>{IDC_COOKIE_SITE, IDC_COOKIE_ADD_SITE}));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_COOKIE_SITE)));
        ASSERT_EQ(Count(dialog, IDC_COOKIE_FRIENDLY), 1);
        EXPECT_EQ(Item(dialog, IDC_COOKIE_FRIENDLY, 0).rfind("school.example", 0), 0u);
        Click(dialog, IDOK);
        EXPECT_TRUE(Within([&] { return !IsWindow(dialog); }));
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(Stored(kWindowsKey, "Targets"), WindowsBit::TemporaryFiles);
    EXPECT_EQ(Stored(kGeneralKey, "StTm"), SweepAtBit::Timer);
    EXPECT_EQ(Stored(kGeneralKey, "Targets"), GeneralBit::Windows | GeneralBit::DeepSweep) << "what is not fixed is stored";
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites").value_or("").find("school"), std::string::npos)
        << "the policy's sites never become the user's";
    for (const std::string& key : {windowsPolicy, generalPolicy, internetPolicy}) {
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    }
    RefreshPolicy();
    EXPECT_EQ(g_windowsSettings.Targets, WindowsBit::TemporaryFiles) << "the user's own values are back in force";
    EXPECT_EQ(g_generalSettings.StTm, SweepAtBit::Timer);
}
