#include "ui/sweep_progress_dlg.h"
#include "framework/trace.h"
#include <commctrl.h>
#include <richedit.h>
#include "engine/sweep_log.h"
#include "res/resource.h"
#include "ui/ui_state.h"
#include "framework/system_library.h"

namespace {
std::unique_ptr<CSweepProgressDlg> g_progressDlg;

RECT ClientRectOf(HWND dialog, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Height(const RECT& r) { return r.bottom - r.top; }
int Width(const RECT& r) { return r.right - r.left; }
}  // namespace

CSweepProgressDlg::CSweepProgressDlg() : CDialog(IDD_SWEEP_PROGRESS) {}

CSweepProgressDlg::~CSweepProgressDlg()
{
    if (ProgressWindow() == m_hWnd) AttachProgressWindow(nullptr);
    if (m_icon) DestroyIcon(m_icon);
}

CSweepProgressDlg* CSweepProgressDlg::Instance() { return g_progressDlg.get(); }

CSweepProgressDlg* CSweepProgressDlg::CreateProgressWindow(HWND parent, bool show)
{
    if (g_progressDlg) return g_progressDlg.get();
    static const bool controlsReady = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        return LoadSystemLibrary("riched20.dll") != nullptr;  // the log pane's class
    }();
    if (!controlsReady) return nullptr;
    auto dialog = std::make_unique<CSweepProgressDlg>();
    if (!dialog->Create(parent)) return nullptr;
    g_progressDlg = std::move(dialog);
    if (show)
        g_progressDlg->ShowProgressWindow();
    else
        g_progressDlg->Hide();
    g_progressDlg->WriteOpeningLine();
    return g_progressDlg.get();
}

void CSweepProgressDlg::DestroyProgressWindow()
{
    if (!g_progressDlg) return;
    // Writers stop reaching the window before it goes.
    AttachProgressWindow(nullptr);
    g_progressDlg->DestroyWindow();
    g_progressDlg.reset();
}

const ProgressWindowIds& ProgressIds()
{
    static const ProgressWindowIds ids{{IDC_STATUS_WINDOWS, IDC_STATUS_INTERNET, IDC_STATUS_APPLICATIONS},
                                       {IDC_BAR_WINDOWS, IDC_BAR_INTERNET, IDC_BAR_APPLICATIONS},
                                       IDC_LOG_PANE,
                                       IDC_TOTALS};
    return ids;
}

BOOL CSweepProgressDlg::OnInitDialog()
{
    m_icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_OMBRIX), IMAGE_ICON, 0,
                                           0, LR_DEFAULTSIZE));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    HWND pane = GetDlgItem(IDC_LOG_PANE);
    // Keep every line of a long log: the rich edit's default limit is 32K characters.
    SendMessageA(pane, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    ShowWaitingState(m_hWnd, ProgressIds());
    {
        SweepTotals& totals = WindowTotals();
        totals.items = 0;
        totals.kb = 0.0f;
    }
    m_logRect = ClientRectOf(m_hWnd, pane);
    ShowWindow(pane, SW_HIDE);
    if (HWND sheet = ControlPanelWindow()) {
        PlaceBesideSheet(sheet);
        ShowWindow(m_hWnd, SW_SHOW);
        SetFocus(sheet);
        m_visible = true;
    } else {
        RECT w, screen;
        GetWindowRect(m_hWnd, &w);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
        SetWindowPos(m_hWnd, nullptr, screen.left + (Width(screen) - Width(w)) / 2,
                     screen.top + (Height(screen) - Height(w)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MoveDetails(+1);
    AttachProgressWindow(m_hWnd, ProgressIds());
    return TRUE;
}

void CSweepProgressDlg::WriteOpeningLine()
{
    char format[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_OPENING_LINE, format, sizeof format);
    AppendToLogPane(GetDlgItem(IDC_LOG_PANE), (LocalTimeText(format) + "\n").c_str());
}

void CSweepProgressDlg::PlaceBesideSheet(HWND sheet)
{
    RECT s;
    GetWindowRect(sheet, &s);
    SetWindowPos(m_hWnd, nullptr, s.right, s.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSweepProgressDlg::ShowProgressWindow()
{
    if (HWND sheet = ControlPanelWindow()) PlaceBesideSheet(sheet);
    ShowWindow(m_hWnd, SW_SHOW);
    m_visible = true;
}

void CSweepProgressDlg::Hide()
{
    ShowWindow(m_hWnd, SW_HIDE);
    m_visible = false;
}

// Unfolds (+1) or folds (-1) the log pane below the buttons.
void CSweepProgressDlg::MoveDetails(int direction)
{
    HWND details = GetDlgItem(IDC_DETAILS);
    HWND pane = GetDlgItem(IDC_LOG_PANE);
    const RECT detailsRect = ClientRectOf(m_hWnd, details);
    const int logHeight = Height(m_logRect);

    RECT w;
    GetWindowRect(m_hWnd, &w);
    SetWindowPos(m_hWnd, nullptr, 0, 0, Width(w), Height(w) + direction * (logHeight + Height(detailsRect) / 2),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (direction > 0) {
        SetWindowTextA(details, "Hide Details");
        MoveWindow(pane, detailsRect.left, detailsRect.top, Width(m_logRect), logHeight, TRUE);
        ShowWindow(pane, SW_SHOW);
    } else {
        ShowWindow(pane, SW_HIDE);
        SetWindowTextA(details, "Details");
    }
    for (int id : {IDC_DETAILS, IDC_CLOSE, IDC_CLEAR_LOG}) {
        HWND button = GetDlgItem(id);
        const RECT r = ClientRectOf(m_hWnd, button);
        const int shift = direction * (logHeight + Height(r) / 2);
        MoveWindow(button, r.left, r.top + shift, Width(r), Height(r), TRUE);
    }
    m_detailsShown = direction > 0;
}

void CSweepProgressDlg::ToggleDetails() { MoveDetails(m_detailsShown ? -1 : +1); }

void CSweepProgressDlg::ClearLog()
{
    CDialog confirm(IDD_CLEAR_LOG);
    if (confirm.DoModal(m_hWnd) != IDOK) return;
    WritePendingLog(m_hWnd);
    SetDlgItemTextA(m_hWnd, IDC_LOG_PANE, "");
    WriteOpeningLine();
    ShowWaitingState(m_hWnd, ProgressIds());
    SetWindowTextA(m_hWnd, "Sweeping Progress");
    SweepTotals& totals = WindowTotals();
    totals.items = 0;
    totals.kb = 0.0f;
}

bool CSweepProgressDlg::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_CLOSE: Hide(); return true;
    case IDC_DETAILS: ToggleDetails(); return true;
    case IDC_CLEAR_LOG: ClearLog(); return true;
    default: return CDialog::OnCommand(id, code);
    }
}

bool CSweepProgressDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result)
{
    if (message == kFlushLogMessage) {
        WritePendingLog(m_hWnd);
        result = TRUE;
        return true;
    }
    if (message == WM_CLOSE) {
        TraceMessage("Get A OnClose");
        m_visible = false;
    }
    return false;
}
