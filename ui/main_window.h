#pragma once
#include <windows.h>
#include <cstdint>
#include "framework/wnd.h"
#include "ui/sweep_view.h"
#include "framework/messages.h"

inline constexpr UINT_PTR kSweepTimerId = 1;
inline constexpr UINT_PTR kAnimationTimerId = 2;
inline constexpr UINT_PTR kNoTimer = UINT_PTR(-1);
inline constexpr const char* kMainWindowClass = "Ombrix";

class COmbrixProp;
class TrayMenu;

// The hidden main window: owns the tray icon's menu, the sweep and animation timers, and the progress
// window; receives the coordinator's worker messages. Destroying it ends the program.
class MainWindow : public CWnd, public SweepView {
public:
    ~MainWindow() override;

    // False when the window class cannot be registered. A window that cannot be created is only reported.
    static bool RegisterWindowClass();
    bool Create(HMENU menu);

    void OpenControlPanel();
    void ShowProgress();
    void CreateProgress(bool show);
    void PlaceSideBySide();

    // The sweeps' view of this window.
    void ShowLog(bool besidePanel) override;
    void ShowLogSoon() override;
    void StartAnimation() override;
    void Reschedule(uint32_t periodSeconds) override;
    void ClosePanel() override;

    void AnimationStep();
    void StopAnimation();
    bool IsAnimating() const { return m_animationTimer != kNoTimer; }

    void SetSweepTimer(int seconds);
    void CancelSweepTimer();
    // Sets the sweep timer when the settings schedule one with a period above 0.
    void SetTimerWhenScheduled();
    UINT_PTR SweepTimer() const { return m_sweepTimer; }

    // "Sweep Now" from the tray: all enabled categories.
    void SweepAll();
    // The enabled categories on the workers with actions that change nothing, the log shown.
    void PreviewAll();
    // Stops a running preview and waits until its workers have ended.
    void EndPreview();
    // "Exit": the closing sweep when it is due, then the windows go and the program ends.
    void ExitSequence();

    // The control panel while it is open, the tray menu while it is shown; null otherwise.
    COmbrixProp* ControlPanel() const { return m_controlPanel; }
    TrayMenu* ShownTrayMenu() const { return m_trayMenu; }
    // The closing sweep runs at most once for the window.
    bool ClosingSweepDone() const { return m_closingSweepDone; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { PostQuitMessage(0); }

private:
    // The preview's totals, and the real actions again.
    void FinishPreview();
    void OnWorkerFinished(WPARAM category, LPARAM status);
    void OnTrayNotification(LPARAM mouseMessage);
    void OnTimer(UINT_PTR id);
    void OnSweepTimer();
    void OnQueryEndSession();
    bool ClosingSweepDue() const;
    void RunClosingSweep(const char* applicationsEnd);
    void OpenHelpPage();

    UINT_PTR m_sweepTimer = kNoTimer;
    UINT_PTR m_animationTimer = kNoTimer;
    COmbrixProp* m_controlPanel = nullptr;  // owned by OpenControlPanel while it is modal
    TrayMenu* m_trayMenu = nullptr;         // owned by the tray menu's run while it is shown
    bool m_closingSweepDone = false;
};

