#include "framework/win_app.h"
#include <cstring>

namespace {
// Keyboard navigation of modeless dialogs (Tab, Enter, Esc) needs the dialog manager to see their
// messages first; modal dialogs run their own loop.
bool IsModelessDialogMessage(MSG& msg)
{
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root) return false;
    char className[16] = {};
    GetClassNameA(root, className, sizeof className);
    return strcmp(className, "#32770") == 0 && IsDialogMessageA(root, &msg);
}
}  // namespace

int CWinApp::Run()
{
    if (InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (IsModelessDialogMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        m_exitCode = static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}
