#pragma once
#include <windows.h>

// A window whose messages reach a C++ object. The window's class may name any procedure (the
// system's default, say); the object subclasses the window as soon as it is created.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();  // destroys the window if it still exists
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect, HWND parent,
                  HMENU menu);
    void DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Every message but WM_COMMAND; the default passes it to the class's own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND; true when handled, otherwise it goes on to the default processing.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // After the window is gone (WM_NCDESTROY).
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_classProc = nullptr;
};
