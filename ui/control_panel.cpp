#include "ui/control_panel.h"
#include "cleaners/community_rules.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/startup_window.h"
#include "ui/sweep_view.h"
#include "ui/ui_state.h"

namespace {
void CentreOnScreen(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
}  // namespace

COmbrixProp::COmbrixProp(const char* caption, HWND parent)
    : CPropertySheet(caption, parent), m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_OMBRIX)))
{
    AddPage(m_settings);
    AddPage(m_windows);
    AddPage(m_internet);
    AddPage(m_applications);
    AddPage(m_rules);
    m_settings.SetModified();
}

COmbrixProp::~COmbrixProp() = default;

CCategoryPage* COmbrixProp::CategoryPage(WPARAM category)
{
    switch (category) {
    case 0: return &m_windows;
    case 1: return &m_applications;
    case 2: return &m_internet;
    default: return nullptr;
    }
}

void COmbrixProp::OnInitDialog()
{
    SetControlPanelWindow(m_hWnd);
    RefreshCommunityRules();  // a file dropped in place since start-up is read now
    char about[64] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_MENU, about, sizeof about) > 0) {
        char showLog[64] = {};
        LoadStringA(GetModuleHandleA(nullptr), IDS_TRAY_SHOW_LOG, showLog, sizeof showLog);
        HMENU menu = GetSystemMenu(m_hWnd, FALSE);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_SHOW_LOG, showLog);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUT, about);
    }
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    SweepView* view = View();
    if (!(g_generalSettings.Targets & GeneralBit::AlwaysShowProgress) || !view)
        CentreOnScreen(m_hWnd);
    else
        view->ShowLog(true);
    SetForegroundWindow(m_hWnd);
}

bool COmbrixProp::OnSysCommand(WPARAM id)
{
    switch (id & 0xFFF0) {
    case IDM_ABOUT: RunAboutWindow(m_hWnd); return true;
    case IDM_SHOW_LOG:
        if (SweepView* view = View()) view->ShowLog(false);
        return true;
    default: return false;
    }
}
