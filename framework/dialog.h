#pragma once
#include <windows.h>

// A dialog made from a resource template, modeless (Create) or modal (DoModal). Subclasses handle
// what they need; everything else gets the system's default dialog processing.
class CDialog {
public:
    explicit CDialog(int templateId) : m_templateId(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    bool Create(HWND parent);
    INT_PTR DoModal(HWND parent);
    void DestroyWindow();
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // A WM_COMMAND; true when handled.
    virtual bool OnCommand(int id, int code);
    // Any other message; true when handled, with the dialog procedure's result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    virtual void OnOK() { EndOrHide(IDOK); }
    virtual void OnCancel() { EndOrHide(IDCANCEL); }

    HWND m_hWnd = nullptr;

private:
    void EndOrHide(INT_PTR result);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    bool m_modal = false;
};
