#include "ui/ui_state.h"

namespace {
HWND g_controlPanel = nullptr;
}

HWND ControlPanelWindow() { return g_controlPanel; }
void SetControlPanelWindow(HWND sheet) { g_controlPanel = sheet; }
