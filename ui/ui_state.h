#pragma once
#include <windows.h>
#include <memory>
#include "engine/sweep_preview.h"

class TrayMenu;
class MainWindow;
class COmbrixProp;

// Process-wide state of the user interface; touched only on the user-interface thread.
struct UiState {
    TrayMenu* trayMenu = nullptr;  // the tray menu being shown
    MainWindow* mainWindow = nullptr;
    COmbrixProp* controlPanel = nullptr;  // the open control panel, null while it is closed
    // From the start of a sweep of all enabled categories until its last worker has reported.
    bool sweepAllRunning = false;
    // The actions of a preview while one runs (with sweepAllRunning); no sweep starts meanwhile.
    std::unique_ptr<CPreviewScope> preview;
    // The closing sweep runs at most once per process.
    bool endSessionSweepDone = false;
};
UiState& Ui();

// The open control-panel sheet, or null while the control panel is closed. The progress window
// places itself beside it.
HWND ControlPanelWindow();
void SetControlPanelWindow(HWND sheet);
