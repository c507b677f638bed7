#include "ui/category_pages.h"
#include <algorithm>
#include <iterator>
#include <vector>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/url_cache_sweep.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "cleaners/browser_sites.h"
#include "cleaners/category_items.h"
#include "cleaners/category_table.h"
#include "ui/cookie_dialogs.h"
#include "ui/custom_locations_dlg.h"
#include "ui/fixed_controls.h"
#include "ui/sweep_controller.h"
#include "ui/sweep_view.h"

namespace {
// Each item's box shows and edits its bit; the bits of items without a box survive.
void Exchange(CDataExchange& dx, uint32_t& targets, std::span<const CategoryItem> items)
{
    for (const CategoryItem& item : items) {
        if (!item.checkbox) continue;
        int checked = (targets & item.bit) ? 1 : 0;
        DDX_Check(dx, item.checkbox, checked);
        targets = checked == 1 ? (targets | item.bit) : (targets & ~item.bit);
    }
}

const CategoryItem* ItemOfBox(std::span<const CategoryItem> items, int id)
{
    const auto found = std::find_if(items.begin(), items.end(), [id](const auto& item) { return item.checkbox == id; });
    return found == items.end() ? nullptr : &*found;
}

const CategoryPageInfo kApplicationsInfo{IDC_APP_SWEEP, IDC_APP_LAST_SWEEP, IDC_APP_LOG, Category::Applications,
                                         "\nStart sweeping history on application manually.", "Sweep Applications",
                                         "Cancel Sweep"};
const CategoryPageInfo kInternetInfo{IDC_NET_SWEEP, IDC_NET_LAST_SWEEP, 0, Category::Internet,
                                     "\nStart Sweeping history on internet browser manually.",
                                     "Sweep Internet Applications", "Cancel Sweeping"};
const CategoryPageInfo kWindowsInfo{IDC_WIN_SWEEP, IDC_WIN_LAST_SWEEP, IDC_WIN_LOG, Category::Windows,
                                    "\nStart Sweeping windows temporary files manually.", "Sweep Windows",
                                    "Cancel Sweep"};
}  // namespace

// ---- What every category page does

BOOL CCategoryPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    m_sweeping = coordinator && coordinator->IsCategoryRunning(m_info.category);
    SetDlgItemTextA(m_hWnd, m_info.sweepButton, m_sweeping ? "Cancel Sweep" : m_info.idleText);
    if (LastRun() != 0) SetDlgItemTextA(m_hWnd, m_info.lastSweepStatic, LastSweepText(LastRun()).c_str());
    if (m_group.IsFixed("Targets")) {
        // The policy fixes the whole word: every box of the page.
        std::vector<int> boxes;
        for (const CategoryItem& item : Items())
            if (item.checkbox) boxes.push_back(item.checkbox);
        ShowFixedByPolicy(m_hWnd, boxes);
    }
    return TRUE;
}

bool CCategoryPage::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return false;
    if (id == m_info.sweepButton) {
        SweepOrCancel();
    } else if (m_info.logButton && id == m_info.logButton) {
        if (SweepView* view = View()) view->ShowLogSoon();
    } else if (const CategoryItem* item = ItemOfBox(Items(), id)) {
        ConfirmTicked(*item);
        SetModified();
    } else {
        return false;
    }
    return true;
}

// An item that changes more than traces is ticked only once the user has agreed.
void CCategoryPage::ConfirmTicked(const CategoryItem& item)
{
    if (!item.confirm || IsDlgButtonChecked(m_hWnd, item.checkbox) != BST_CHECKED) return;
    if (MessageBoxA(m_hWnd, item.confirm, "Ombrix", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        CheckDlgButton(m_hWnd, item.checkbox, BST_UNCHECKED);
}

uint32_t CCategoryPage::RequestBit() const
{
    const CategoryRow* row = CategoryByIndex(static_cast<WPARAM>(m_info.category));
    return row ? row->requestBit : 0;
}

void CCategoryPage::SweepOrCancel()
{
    if (!CSweepCoordinator::Instance() || SweepController::PreviewRunning()) return;  // a sweep waits until the preview has ended
    if (m_sweeping) {
        SweepController::Stop(RequestBit());  // the button is set back when the worker reports
        return;
    }
    LogTimedLine(m_info.startLine, kStatusLogOnly);
    // Every page shown so far is applied, so the sweep reads the settings as they are on screen.
    SendMessageA(Sheet(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    if (!SweepController::Start(RequestBit(), true)) return;
    m_sweeping = true;
    SetDlgItemTextA(m_hWnd, m_info.sweepButton, m_info.cancelText);
    if ((g_generalSettings.Targets & GeneralBit::RunningBackground) && View()) View()->ClosePanel();
}

LRESULT CCategoryPage::OnQuerySiblings(WPARAM query, LPARAM requests)
{
    if (query == kMarkSweepingQuery && (static_cast<uint32_t>(requests) & RequestBit()))
        MarkSweeping("Cancel Sweep");
    return 0;  // every sibling is asked
}

void CCategoryPage::MarkSweeping(const char* buttonText)
{
    m_sweeping = true;
    if (m_hWnd) SetDlgItemTextA(m_hWnd, m_info.sweepButton, buttonText);
}

void CCategoryPage::SweepEnded()
{
    m_sweeping = false;
    if (m_hWnd) SetDlgItemTextA(m_hWnd, m_info.sweepButton, m_info.idleText);
}

void CCategoryPage::RefreshLastSweep()
{
    LastRun() = m_group.LastRun();
    if (LastRun() != 0 && m_hWnd)
        SetDlgItemTextA(m_hWnd, m_info.lastSweepStatic, LastSweepText(LastRun()).c_str());
}

// ---- Sweep Applications

CApplicationPage::CApplicationPage() : CCategoryPage(IDD_APPLICATIONS_PAGE, kApplicationsInfo, g_applicationsSettings)
{
    g_applicationsSettings.FillPage(m_members);
}

void CApplicationPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members.targets, Items()); }
bool CApplicationPage::OnApply() { g_applicationsSettings.TakePage(m_members); return true; }
std::span<const CategoryItem> CApplicationPage::Items() const { return ApplicationsItems(); }

// ---- Sweep Internet

CInternetPage::CInternetPage() : CCategoryPage(IDD_INTERNET_PAGE, kInternetInfo, g_internetSettings)
{
    g_internetSettings.FillPage(m_members);
}

void CInternetPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members.targets, Items()); }
bool CInternetPage::OnApply() { g_internetSettings.TakePage(m_members); return true; }
std::span<const CategoryItem> CInternetPage::Items() const { return InternetItems(); }

bool CInternetPage::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_NET_COOKIE_CONTROL && code == BN_CLICKED) {
        EditFriendlyCookies();
        return true;
    }
    return CCategoryPage::OnCommand(id, code, control);
}

namespace {

std::string BrowserNames(const std::vector<std::string>& browsers)
{
    std::string names;
    for (const std::string& browser : browsers) names += (names.empty() ? "" : ", ") + browser;
    return names;
}

// Internet Explorer's cookie files and the browsers' sites, each in the list it belongs to now.
std::pair<CookieEntries, CookieEntries> CookieLists()
{
    CookieEntries current, friendly;
    FriendlyCookieList cookies;
    g_internetSettings.CopyFriendlyCookies(cookies);
    for (const FriendlyCookie& cookie : cookies) friendly.push_back({cookie, "", ""});
    PathPairs files;
    ListCookieFiles(files);
    for (const auto& file : files) {
        const bool isFriendly = std::any_of(cookies.begin(), cookies.end(),
                                            [&](const FriendlyCookie& cookie) { return cookie.Fl == file.second; });
        if (!isFriendly) current.push_back({{"", file.second}, "", ""});
    }
    const FriendlySites sites = g_internetSettings.CopyFriendlySites().value_or(FriendlySites{});
    const std::vector<SiteCookies> held = BrowserCookieSites();
    for (const std::string& site : sites) {
        const auto found = std::find_if(held.begin(), held.end(), [&](const SiteCookies& s) { return s.host == site; });
        friendly.push_back({{}, site, found == held.end() ? "" : BrowserNames(found->browsers)});
    }
    for (const SiteCookies& site : held)
        if (std::find(sites.begin(), sites.end(), site.host) == sites.end())
            current.push_back({{}, site.host, BrowserNames(site.browsers)});
    return {std::move(current), std::move(friendly)};
}

}  // namespace

// The friendly lists are saved as soon as the dialog ends with OK; they are not part of the page's apply.
void CInternetPage::EditFriendlyCookies()
{
    auto [current, friendly] = CookieLists();
    const bool sitesKnown = g_internetSettings.CopyFriendlySites().has_value();
    CCookieControlDlg dialog(std::move(current), std::move(friendly), g_internetSettings.FriendlySitesFixed());
    if (dialog.DoModal(m_hWnd) == IDCANCEL) return;
    FriendlyCookieList cookies;
    FriendlySites sites;
    for (const CookieEntry& entry : dialog.Friendly())
        if (entry.IsSite())
            sites.push_back(entry.site);
        else
            cookies.push_back(entry.cookie);
    g_internetSettings.ReplaceFriendlyCookies(cookies);
    // A stored list that could not be read was shown empty: only sites the user names replace it. The
    // policy's sites are shown but never become the user's.
    if (!g_internetSettings.FriendlySitesFixed() && (sitesKnown || !sites.empty()))
        g_internetSettings.ReplaceFriendlySites(sites);
    g_internetSettings.SaveFriendlyCookies();
}

// ---- Sweep Windows

CWinTmpPage::CWinTmpPage() : CCategoryPage(IDD_WINDOWS_PAGE, kWindowsInfo, g_windowsSettings)
{
    g_windowsSettings.FillPage(m_members);
}

BOOL CWinTmpPage::OnInitDialog()
{
    CCategoryPage::OnInitDialog();
    FillLocationList();
    static constexpr int kLocations[] = {IDC_WIN_LOCATIONS, IDC_WIN_LOCATIONS_EDIT};
    if (!g_windowsSettings.CustomLocationsAllowed()) ShowFixedByPolicy(m_hWnd, kLocations);
    return TRUE;
}

void CWinTmpPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members.targets, Items()); }
bool CWinTmpPage::OnApply() { g_windowsSettings.TakePage(m_members); return true; }
std::span<const CategoryItem> CWinTmpPage::Items() const { return WindowsItems(); }

bool CWinTmpPage::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_WIN_LOCATIONS_EDIT && code == BN_CLICKED) {
        EditCustomLocations();
        return true;
    }
    return CCategoryPage::OnCommand(id, code, control);
}

void CWinTmpPage::FillLocationList()
{
    HWND list = GetDlgItem(IDC_WIN_LOCATIONS);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const CustomLocation& location : m_members.customLocations)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(location.DisplayText().c_str()));
}

void CWinTmpPage::EditCustomLocations()
{
    CCusDirDlg dialog(m_members.customLocations);
    if (dialog.DoModal(m_hWnd) != IDOK) return;
    m_members.customLocations = dialog.Entries();
    FillLocationList();
    m_members.listChanged = 1;
    SetModified();
}
