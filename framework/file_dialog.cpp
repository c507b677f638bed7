#include "framework/file_dialog.h"
#include <cstring>

CFileDialog::CFileDialog(bool openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, HWND parent)
    : m_open(openFileDialog), m_filter(filter ? filter : "")
{
    for (char& c : m_filter)
        if (c == '|') c = '\0';
    if (fileName) lstrcpynA(m_file, fileName, sizeof m_file);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_file;
    m_ofn.nMaxFile = sizeof m_file;
    m_ofn.lpstrDefExt = defaultExtension;
    m_ofn.Flags = flags | OFN_ENABLEHOOK | OFN_EXPLORER;
    m_ofn.lpfnHook = HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

INT_PTR CFileDialog::DoModal()
{
    m_endedWith = 0;
    const BOOL chosen = m_open ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
    m_hWnd = nullptr;
    if (m_endedWith) return m_endedWith;
    return chosen ? IDOK : IDCANCEL;
}

void CFileDialog::EndDialog(INT_PTR result)
{
    m_endedWith = result;
    ::EndDialog(m_hWnd, result == IDOK);
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT fileOk = RegisterWindowMessageA(FILEOKSTRINGA);
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CFileDialog*>(reinterpret_cast<const OPENFILENAMEA*>(lParam)->lCustData);
        SetPropA(hwnd, "OmbrixFileDialog", self);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = static_cast<CFileDialog*>(GetPropA(hwnd, "OmbrixFileDialog"));
    if (!self) return 0;
    if (message == WM_NCDESTROY) {
        RemovePropA(hwnd, "OmbrixFileDialog");
        return 0;
    }
    if (message == fileOk) return self->OnFileNameOK() ? 1 : 0;
    if (message == WM_COMMAND) return self->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? 1 : 0;
    return 0;
}
