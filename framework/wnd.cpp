#include "framework/wnd.h"

CWnd::~CWnd() { DestroyWindow(); }

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect,
                    HWND parent, HMENU menu)
{
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, menu, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) return false;
    m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_classProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return true;
}

void CWnd::DestroyWindow()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

bool CWnd::OnCommand(WPARAM, LPARAM) { return false; }

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(m_classProc, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->Default(message, wParam, lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
        return result;
    }
    if (message == WM_COMMAND && self->OnCommand(wParam, lParam)) return 0;
    return self->WindowProc(message, wParam, lParam);
}
