#include "ui/fixed_controls.h"
#include <commctrl.h>

void ShowFixedByPolicy(HWND dialog, std::span<const int> controls)
{
    if (!dialog || controls.empty()) return;
    // A popup: its owner is the dialog's top-level window, which takes it along when it is destroyed.
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    for (int id : controls) {
        HWND control = GetDlgItem(dialog, id);
        if (!control) continue;
        EnableWindow(control, FALSE);
        if (!tip) continue;
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = static_cast<UINT_PTR>(id);
        tool.lpszText = const_cast<char*>(kFixedByPolicyTip);
        GetWindowRect(control, &tool.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tool.rect), 2);
        SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}
