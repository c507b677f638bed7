#include "ui/category_pages.h"
#include <algorithm>
#include <iterator>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/url_cache_sweep.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/cookie_dialogs.h"
#include "ui/custom_locations_dlg.h"
#include "ui/sweep_controller.h"
#include "ui/sweep_view.h"

namespace {
template <class Members>
struct PageCheckbox {
    int id;
    int Members::*member;
};

const PageCheckbox<ApplicationPageMembers> kApplicationBoxes[] = {
    {IDC_APP_WORD, &ApplicationPageMembers::word},
    {IDC_APP_EXCEL, &ApplicationPageMembers::excel},
    {IDC_APP_POWER_POINT, &ApplicationPageMembers::powerPoint},
    {IDC_APP_ACCESS, &ApplicationPageMembers::access},
    {IDC_APP_MEDIA_PLAYER, &ApplicationPageMembers::mediaPlayer},
    {IDC_APP_REAL_PLAYER, &ApplicationPageMembers::realPlayer},
    {IDC_APP_ACROBAT, &ApplicationPageMembers::acrobatReader},
};

// The Yahoo Bar box is never shown, yet it is exchanged, so its bit keeps the stored value.
const PageCheckbox<InternetPageMembers> kInternetBoxes[] = {
    {IDC_NET_TEMPORARY, &InternetPageMembers::temporaryFiles},
    {IDC_NET_HISTORY, &InternetPageMembers::history},
    {IDC_NET_COOKIES, &InternetPageMembers::cookies},
    {IDC_NET_PASSWORDS, &InternetPageMembers::passwords},
    {IDC_NET_FORMS, &InternetPageMembers::formData},
    {IDC_NET_GOOGLE, &InternetPageMembers::googleBar},
    {IDC_NET_YAHOO, &InternetPageMembers::yahooBar},
    {IDC_NET_MSN, &InternetPageMembers::msn},
    {IDC_NET_AOL, &InternetPageMembers::aol},
    {IDC_NET_FIREFOX, &InternetPageMembers::firefox},
    {IDC_NET_CHROME, &InternetPageMembers::chrome},
};

const PageCheckbox<WindowsPageMembers> kWindowsBoxes[] = {
    {IDC_WIN_DOCUMENTS, &WindowsPageMembers::documentHistory},
    {IDC_WIN_FIND, &WindowsPageMembers::findHistory},
    {IDC_WIN_RUN, &WindowsPageMembers::runHistory},
    {IDC_WIN_NETWORK, &WindowsPageMembers::networkHistory},
    {IDC_WIN_TEMPORARY, &WindowsPageMembers::temporaryFiles},
    {IDC_WIN_RECYCLE_BIN, &WindowsPageMembers::recycleBin},
    {IDC_WIN_LAST_LOGON, &WindowsPageMembers::lastLogonUser},
};

template <class Members, size_t N>
void Exchange(CDataExchange& dx, Members& members, const PageCheckbox<Members> (&boxes)[N])
{
    for (const auto& box : boxes) DDX_Check(dx, box.id, members.*box.member);
}

template <class Members, size_t N>
bool Holds(const PageCheckbox<Members> (&boxes)[N], int id)
{
    return std::any_of(std::begin(boxes), std::end(boxes), [id](const auto& box) { return box.id == id; });
}

const CategoryPageInfo kApplicationsInfo{IDC_APP_SWEEP,        IDC_APP_LAST_SWEEP,
                                         IDC_APP_LOG,          kSweepApplications,
                                         Category::Applications, "\nStart sweeping history on application manually.",
                                         "Sweep Applications", "Cancel Sweep"};
const CategoryPageInfo kInternetInfo{IDC_NET_SWEEP,       IDC_NET_LAST_SWEEP,
                                     0,                   kSweepInternet,
                                     Category::Internet,  "\nStart Sweeping history on internet browser manually.",
                                     "Sweep Internet Applications", "Cancel Sweeping"};
const CategoryPageInfo kWindowsInfo{IDC_WIN_SWEEP,      IDC_WIN_LAST_SWEEP,
                                    IDC_WIN_LOG,        kSweepWindows,
                                    Category::Windows,  "\nStart Sweeping windows temporary files manually.",
                                    "Sweep Windows",    "Cancel Sweep"};
}  // namespace

// ---- What every category page does

BOOL CCategoryPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    m_sweeping = coordinator && coordinator->IsCategoryRunning(m_info.category);
    SetDlgItemTextA(m_hWnd, m_info.sweepButton, m_sweeping ? "Cancel Sweep" : m_info.idleText);
    if (LastRun() != 0) SetDlgItemTextA(m_hWnd, m_info.lastSweepStatic, LastSweepText(LastRun()).c_str());
    return TRUE;
}

bool CCategoryPage::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return false;
    if (id == m_info.sweepButton) {
        SweepOrCancel();
    } else if (m_info.logButton && id == m_info.logButton) {
        if (SweepView* view = View()) view->ShowLogSoon();
    } else if (IsCheckbox(id)) {
        SetModified();
    } else {
        return false;
    }
    return true;
}

void CCategoryPage::SweepOrCancel()
{
    if (!CSweepCoordinator::Instance() || SweepController::PreviewRunning()) return;  // a sweep waits until the preview has ended
    if (m_sweeping) {
        SweepController::Stop(m_info.requestBit);  // the button is set back when the worker reports
        return;
    }
    LogTimedLine(m_info.startLine, kStatusLogOnly);
    // Every page shown so far is applied, so the sweep reads the settings as they are on screen.
    SendMessageA(Sheet(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    if (!SweepController::Start(m_info.requestBit, true)) return;
    m_sweeping = true;
    SetDlgItemTextA(m_hWnd, m_info.sweepButton, m_info.cancelText);
    if ((g_generalSettings.Targets & GeneralBit::RunningBackground) && View()) View()->ClosePanel();
}

LRESULT CCategoryPage::OnQuerySiblings(WPARAM query, LPARAM requests)
{
    if (query == kMarkSweepingQuery && (static_cast<uint32_t>(requests) & m_info.requestBit))
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

void CApplicationPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members, kApplicationBoxes); }
bool CApplicationPage::OnApply() { g_applicationsSettings.TakePage(m_members); return true; }
bool CApplicationPage::IsCheckbox(int id) const { return Holds(kApplicationBoxes, id); }

// ---- Sweep Internet

CInternetPage::CInternetPage() : CCategoryPage(IDD_INTERNET_PAGE, kInternetInfo, g_internetSettings)
{
    g_internetSettings.FillPage(m_members);
}

void CInternetPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members, kInternetBoxes); }
bool CInternetPage::OnApply() { g_internetSettings.TakePage(m_members); return true; }
bool CInternetPage::IsCheckbox(int id) const { return Holds(kInternetBoxes, id); }

bool CInternetPage::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_NET_COOKIE_CONTROL && code == BN_CLICKED) {
        EditFriendlyCookies();
        return true;
    }
    return CCategoryPage::OnCommand(id, code, control);
}

// The friendly list is saved as soon as the dialog ends with OK; it is not part of the page's apply.
void CInternetPage::EditFriendlyCookies()
{
    FriendlyCookieList friendly;
    g_internetSettings.CopyFriendlyCookies(friendly);
    PathPairs files;
    ListCookieFiles(files);
    FriendlyCookieList current;
    for (const auto& file : files) {
        const bool isFriendly = std::any_of(friendly.begin(), friendly.end(),
                                            [&](const FriendlyCookie& cookie) { return cookie.Fl == file.second; });
        if (!isFriendly) current.push_back({"", file.second});
    }
    CCookieControlDlg dialog(std::move(current), std::move(friendly));
    if (dialog.DoModal(m_hWnd) == IDCANCEL) return;
    g_internetSettings.ReplaceFriendlyCookies(dialog.Friendly());
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
    return TRUE;
}

void CWinTmpPage::DoDataExchange(CDataExchange& dx) { Exchange(dx, m_members, kWindowsBoxes); }
bool CWinTmpPage::OnApply() { g_windowsSettings.TakePage(m_members); return true; }
bool CWinTmpPage::IsCheckbox(int id) const { return Holds(kWindowsBoxes, id); }

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
