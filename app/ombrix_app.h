#pragma once
#include <windows.h>
#include <memory>
#include "framework/win_app.h"

class MainWindow;

// Brings Ombrix up (one instance, settings, the hidden main window with its tray icon, the coordinator)
// and takes it down; with "once" it sweeps a single time without user interface.
class OmbrixApp : public CWinApp {
public:
    OmbrixApp(int argc, char** argv);
    ~OmbrixApp() override;

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void StartupSweep();
    void WeeklyRulesUpdate(HWND window);

    int m_argc;
    char** m_argv;
    bool m_startupSweepStarted = false;
    HMENU m_mainMenu = nullptr;
    std::unique_ptr<MainWindow> m_mainWindow;
};

// A running Ombrix's main window, found by its class; null when none runs.
HWND RunningInstance();
// Tells a running Ombrix to open its control panel, and says whether there was one.
bool HandOverToRunningInstance();
