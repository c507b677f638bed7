#include "ui/main_window.h"
#include <shellapi.h>
#include <memory>
#include "cleaners/category_table.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "res/resource.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/control_panel.h"
#include "ui/startup_window.h"
#include "ui/sweep_controller.h"
#include "ui/sweep_progress_dlg.h"
#include "ui/tray_icon.h"
#include "ui/tray_menu.h"
#include "ui/ui_state.h"

namespace {
bool AnyWorkerRunning()
{
    const CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    return coordinator && coordinator->IsAnyWorkerRunning();
}
}  // namespace

MainWindow::~MainWindow()
{
    if (View() == this) SetView(nullptr);
    CSweepProgressDlg::DestroyProgressWindow();
}

bool MainWindow::RegisterWindowClass()
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(IDI_OMBRIX));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool MainWindow::Create(HMENU menu)
{
    if (!CreateEx(WS_EX_TRANSPARENT, kMainWindowClass, "HideOmbrixWindow", WS_VISIBLE, RECT{0, 0, 20, 20}, nullptr,
                  menu)) {
        MessageBoxA(nullptr, "Couldn't Create Window!", "Ombrix", MB_OK);
        return false;
    }
    SetWorkerMessageWindow(m_hWnd);
    SetView(this);
    return true;
}

void MainWindow::OpenControlPanel()
{
    if (m_controlPanel) {
        if (HWND sheet = m_controlPanel->GetSafeHwnd()) SetForegroundWindow(sheet);
        return;
    }
    RefreshPolicy();  // the pages show what is in force, fixed or not
    auto sheet = std::make_unique<COmbrixProp>("Ombrix", m_hWnd);
    m_controlPanel = sheet.get();
    SetForegroundWindow(m_hWnd);
    sheet->DoModal();
    if (CSweepProgressDlg* progress = CSweepProgressDlg::Instance()) progress->Hide();
    m_controlPanel = nullptr;
    SetControlPanelWindow(nullptr);
}

void MainWindow::CreateProgress(bool show)
{
    CSweepProgressDlg::CreateProgressWindow(m_hWnd, show);
}

void MainWindow::ShowProgress()
{
    if (CSweepProgressDlg* progress = CSweepProgressDlg::Instance()) {
        progress->ShowProgressWindow();
        ShowWindow(progress->GetSafeHwnd(), SW_SHOW);
    } else {
        CreateProgress(true);
    }
}

void MainWindow::PlaceSideBySide()
{
    HWND sheet = ControlPanelWindow();
    if (!sheet) return;
    RECT s;
    GetWindowRect(sheet, &s);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int width = s.right - s.left;
    const int height = s.bottom - s.top;
    POINT at{0, 0};
    if (screenWidth >= 2 * width) at = {screenWidth / 2 - width, (screenHeight - height) / 2};
    SetWindowPos(sheet, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void MainWindow::ShowLog(bool besidePanel)
{
    if (besidePanel) PlaceSideBySide();
    ShowProgress();
}

void MainWindow::ShowLogSoon() { PostMessageA(m_hWnd, kShowProgressMessage, 0, 0); }

void MainWindow::Reschedule(uint32_t periodSeconds)
{
    CancelSweepTimer();
    if (periodSeconds > 0) SetSweepTimer(static_cast<int>(periodSeconds));
}

void MainWindow::ClosePanel()
{
    if (COmbrixProp* sheet = m_controlPanel) sheet->EndDialog(IDOK);
}

void MainWindow::StartAnimation()
{
    if (m_animationTimer != kNoTimer) return;
    TrayIcon& tray = TrayIcon::Instance();
    tray.current = tray.NormalIcon();
    AnimationStep();
    m_animationTimer = SetTimer(m_hWnd, kAnimationTimerId, 250, nullptr);
}

void MainWindow::AnimationStep()
{
    TrayIcon& tray = TrayIcon::Instance();
    tray.current = tray.current == tray.NormalIcon() ? tray.BlankIcon() : tray.NormalIcon();
    tray.Show(tray.current);
}

void MainWindow::StopAnimation()
{
    if (m_animationTimer != kNoTimer) {
        KillTimer(m_hWnd, kAnimationTimerId);
        m_animationTimer = kNoTimer;
    }
    TrayIcon& tray = TrayIcon::Instance();
    tray.current = tray.NormalIcon();
    tray.Show(tray.current);
}

void MainWindow::SweepAll()
{
    if (SweepController::Start(EnabledCategoryRequests(), true)) SweepController::SetAllRunning(true);
}

void MainWindow::OpenHelpPage()
{
    char address[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_HELP_ADDRESS, address, sizeof address);
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.lpFile = address;
    execute.nShow = SW_SHOWMAXIMIZED;
    ShellExecuteExA(&execute);
}

bool MainWindow::OnCommand(WPARAM wParam, LPARAM)
{
    CSweepProgressDlg* progress = CSweepProgressDlg::Instance();
    switch (LOWORD(wParam)) {
    case IDS_TRAY_SHOW_PANEL:
        if (m_trayMenu) EndMenu();
        OpenControlPanel();
        return true;
    case IDS_TRAY_EXIT:
        if (m_trayMenu) EndMenu();
        ExitSequence();
        return true;
    case IDS_TRAY_HIDE_LOG:
        if (progress) progress->Hide();
        break;
    case IDS_TRAY_PREVIEW: PreviewAll(); break;
    case IDS_TRAY_SWEEP_NOW:
    case IDS_TRAY_CANCEL:
        // While the control panel is open, its "Sweep Now" serves both and keeps its pages in step;
        // a preview has no part there.
        if (SweepController::PreviewRunning()) {
            if (LOWORD(wParam) == IDS_TRAY_CANCEL) SweepController::Stop(kSweepAll);
        } else if (COmbrixProp* sheet = m_controlPanel)
            sheet->m_settings.SweepNow();
        else if (LOWORD(wParam) == IDS_TRAY_SWEEP_NOW)
            SweepAll();
        else
            SweepController::Stop(kSweepAll);
        break;
    case IDS_TRAY_SHOW_LOG:
        PlaceSideBySide();
        ShowProgress();
        break;
    case IDS_TRAY_HELP: OpenHelpPage(); break;
    case IDS_TRAY_ABOUT:
        if (m_trayMenu) EndMenu();
        RunAboutWindow(nullptr);
        return true;
    default: break;
    }
    return false;
}

void MainWindow::PreviewAll() { SweepController::Preview(); }

// Ends only once the workers have: until then they still act through the preview's actions.
void MainWindow::EndPreview()
{
    if (!SweepController::PreviewRunning()) return;
    SweepController::Stop(kSweepAll);
    while (SweepController::PreviewRunning() && AnyWorkerRunning()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    FinishPreview();
}

void MainWindow::FinishPreview()
{
    if (!SweepController::PreviewRunning()) return;
    if (CSweepCoordinator* coordinator = CSweepCoordinator::Instance()) coordinator->ClearStop(kSweepAll);
    LogLine((SweepTotalsLine() + "\n").c_str(), kStatusLogOnly);
    ShowSweepTotals();
    SweepController::EndPreview();
    SetProgressTitle("Preview Completed");
    StopAnimation();
}

void MainWindow::OnWorkerFinished(WPARAM category, LPARAM status)
{
    if (status != kWorkerEnded) return;
    // A preview stamps no time and saves no setting.
    if (SweepController::PreviewRunning()) {
        if (!AnyWorkerRunning()) FinishPreview();
        return;
    }
    if (CategoryByIndex(category)) {
        CCategoryPage* page = m_controlPanel ? m_controlPanel->CategoryPage(category) : nullptr;
        if (page) page->SweepEnded();
        const CategoryRow& row = *CategoryByIndex(category);
        if (m_controlPanel) m_controlPanel->m_rules.CategoryEnded(row.requestBit);
        row.group.StampLastRun();
        if (page) page->RefreshLastSweep();
        row.group.SaveToUser(row.keyPath);
    }
    if (SweepController::AllRunning() && !AnyWorkerRunning()) {
        if (CSweepCoordinator* coordinator = CSweepCoordinator::Instance()) coordinator->ClearStop(kSweepAll);
        if (m_controlPanel) m_controlPanel->m_settings.SweepEnded();
        g_generalSettings.StampLastRun();
        if (m_controlPanel) m_controlPanel->m_settings.RefreshLastSweep();
        g_generalSettings.SaveToUser(kGeneralSettingsKey);
        SetTimerWhenScheduled();
        SweepController::SetAllRunning(false);
    }
    if (!AnyWorkerRunning()) {
        SetProgressTitle("Sweeping Completed");
        StopAnimation();
    }
}

void MainWindow::OnTrayNotification(LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        if (HWND sheet = m_controlPanel ? m_controlPanel->GetSafeHwnd() : nullptr) {
            SetForegroundWindow(m_hWnd);
            SetForegroundWindow(sheet);
        } else {
            OpenControlPanel();
        }
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        ShowTrayMenu(m_hWnd, m_trayMenu);
    }
}

LRESULT MainWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kWorkerMessage: OnWorkerFinished(wParam, lParam); return 0;
    case kTrayMessage: OnTrayNotification(lParam); return 0;
    case kOpenControlPanelMessage: OpenControlPanel(); return 0;
    case kShowProgressMessage: ShowProgress(); return 0;
    case kRulesUpdateFailedMessage: {
        const std::unique_ptr<std::string> why(reinterpret_cast<std::string*>(lParam));
        TrayIcon::Instance().Balloon("Ombrix", "The community rules were not updated: " + *why + ".");
        return 0;
    }
    case WM_TIMER: OnTimer(wParam); return Default(message, wParam, lParam);
    case WM_QUERYENDSESSION: OnQueryEndSession(); return Default(message, wParam, lParam);
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU && m_trayMenu) { m_trayMenu->MeasureItem(*item); return TRUE; }
        break;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU && m_trayMenu) { m_trayMenu->DrawItem(*item); return TRUE; }
        break;
    }
    default: break;
    }
    return Default(message, wParam, lParam);
}
