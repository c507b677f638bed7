#pragma once
#include <windows.h>
#include <commdlg.h>
#include <string>

// The common file dialog, hooked so that a subclass sees its initialisation, its commands and the
// check of a chosen name. With OFN_EXPLORER cleared and a template of our own, the old-style dialog.
class CFileDialog {
public:
    // The filter is given as "Text|pattern|...||".
    CFileDialog(bool openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                const char* filter, HWND parent);
    virtual ~CFileDialog() = default;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    INT_PTR DoModal();
    HWND GetSafeHwnd() const { return m_hWnd; }

    OPENFILENAMEA m_ofn{};

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // The dialog's own OK with a name; true refuses the name and keeps the dialog open.
    virtual bool OnFileNameOK() { return false; }
    // A command of the template's own controls; true when handled.
    virtual bool OnCommand(int, int) { return false; }
    // Ends the dialog from a control of the template, as its own OK would.
    void EndDialog(INT_PTR result);

    HWND m_hWnd = nullptr;

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool m_open;
    std::string m_filter;
    char m_file[MAX_PATH] = {};
    INT_PTR m_endedWith = 0;
};
