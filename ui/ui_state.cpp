#include "ui/ui_state.h"

namespace {
HWND g_controlPanel = nullptr;
}

UiState& Ui()
{
    static UiState state;
    return state;
}

HWND ControlPanelWindow() { return g_controlPanel; }
void SetControlPanelWindow(HWND sheet) { g_controlPanel = sheet; }
