#include "ui/startup_window.h"
#include <shellapi.h>
#include "res/resource.h"
#include "settings/settings_groups.h"

namespace {

std::string LoadText(int id)
{
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

}  // namespace

StartupWindow::StartupWindow(unsigned autoCloseSeconds, bool showCheckbox)
    : CDialog(IDD_STARTUP), m_autoCloseSeconds(autoCloseSeconds), m_showCheckbox(showCheckbox)
{
}

StartupWindow::~StartupWindow()
{
    if (m_titleFont) DeleteObject(m_titleFont);
}

BOOL StartupWindow::OnInitDialog()
{
    if (m_autoCloseSeconds > 0) SetTimer(m_hWnd, reinterpret_cast<UINT_PTR>(m_hWnd), m_autoCloseSeconds * 1000, nullptr);
    // The title and the notice in the dialog's own face, normal weight, half as tall again.
    LOGFONTA face{};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(IDC_STARTUP_TITLE), WM_GETFONT, 0, 0));
    if (dialogFont && GetObjectA(dialogFont, sizeof face, &face)) {
        face.lfWeight = FW_NORMAL;
        face.lfHeight += (face.lfHeight + 1) / 2;
        m_titleFont = CreateFontIndirectA(&face);
        for (int id : {IDC_STARTUP_TITLE, IDC_STARTUP_NOTICE})
            SendMessageA(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont), TRUE);
    }
    SetDlgItemTextA(m_hWnd, IDC_STARTUP_NOTICE, LoadText(IDS_STARTUP_NOTICE).c_str());
    SetDlgItemTextA(m_hWnd, IDC_STARTUP_TEXT, LoadText(IDS_STARTUP_TEXT).c_str());
    if (!m_showCheckbox) ShowWindow(GetDlgItem(IDC_NOT_SHOW_AGAIN), SW_HIDE);
    CheckDlgButton(m_hWnd, IDC_NOT_SHOW_AGAIN, m_notShowAgain ? BST_CHECKED : BST_UNCHECKED);
    // Centred on the screen: the window has no owner to centre on.
    RECT box{};
    GetWindowRect(m_hWnd, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    SetWindowPos(m_hWnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return TRUE;
}

bool StartupWindow::OnCommand(int id, int code)
{
    if (id != IDC_STARTUP_WEB) return CDialog::OnCommand(id, code);
    const std::string address = LoadText(IDS_HELP_ADDRESS);
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.lpFile = address.c_str();
    execute.nShow = SW_SHOWMAXIMIZED;
    ShellExecuteExA(&execute);
    return true;
}

// Closed by its timer, the dialog ends as if "OK" were pressed, but the checkbox is not read.
bool StartupWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message != WM_TIMER || wParam != reinterpret_cast<UINT_PTR>(m_hWnd))
        return CDialog::OnMessage(message, wParam, lParam, result);
    KillTimer(m_hWnd, wParam);
    EndDialog(IDOK);
    result = 0;
    return true;
}

void StartupWindow::OnOK()
{
    m_notShowAgain = IsDlgButtonChecked(m_hWnd, IDC_NOT_SHOW_AGAIN) == BST_CHECKED ? 1 : 0;
    CDialog::OnOK();
}

void RunStartupWindow()
{
    StartupWindow window(5, true);
    window.DoModal(nullptr);
    if (g_generalSettings.IsFixed("NotShowLogo")) return;  // the administrator's choice stands
    if (static_cast<uint32_t>(window.m_notShowAgain) == g_generalSettings.NotShowLogo) return;
    g_generalSettings.NotShowLogo = static_cast<uint32_t>(window.m_notShowAgain);
    g_generalSettings.SaveToUser(kGeneralSettingsKey);
}

void RunAboutWindow(HWND owner)
{
    StartupWindow window(0, false);
    window.DoModal(owner);
}
