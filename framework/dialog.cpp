#include "framework/dialog.h"

CDialog::~CDialog() { DestroyWindow(); }

bool CDialog::Create(HWND parent)
{
    m_modal = false;
    CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    return m_hWnd != nullptr;
}

INT_PTR CDialog::DoModal(HWND parent)
{
    m_modal = true;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::DestroyWindow()
{
    if (m_hWnd && !m_modal) ::DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

void CDialog::EndOrHide(INT_PTR result)
{
    // A modeless dialog is only hidden by OK and Cancel, as the framework's default does.
    if (m_modal)
        EndDialog(result);
    else
        ShowWindow(m_hWnd, SW_HIDE);
}

bool CDialog::OnCommand(int id, int)
{
    if (id == IDOK) { OnOK(); return true; }
    if (id == IDCANCEL) { OnCancel(); return true; }
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return FALSE;
    }
    if (message == WM_COMMAND) return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
    INT_PTR result = 0;
    return self->OnMessage(message, wParam, lParam, result) ? result : FALSE;
}
