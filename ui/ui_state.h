#pragma once
#include <windows.h>

// The open control-panel sheet, or null while the control panel is closed. The progress window
// places itself beside it.
HWND ControlPanelWindow();
void SetControlPanelWindow(HWND sheet);
