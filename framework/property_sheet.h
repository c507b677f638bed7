#pragma once
#include <windows.h>
#include <commctrl.h>
#include <vector>

class CPropertySheet;

// Which way a dialog data exchange goes: into the controls, or out of them into the members.
struct CDataExchange {
    HWND dialog;
    bool saveAndValidate;
};
// A checkbox and its member: 1 checked, 0 not (2 for an indeterminate box).
void DDX_Check(CDataExchange& dx, int id, int& value);

// One page of a property sheet, made from a dialog resource whose caption names its tab.
class CPropertyPage {
public:
    explicit CPropertyPage(int templateId) : m_templateId(templateId) {}
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    // Enables the sheet's Apply button for this page; before the page exists, as soon as it does.
    void SetModified(bool changed = true);
    bool UpdateData(bool saveAndValidate);
    PROPSHEETPAGEA Describe();

protected:
    virtual void DoDataExchange(CDataExchange&) {}
    virtual BOOL OnInitDialog();
    // The sheet's Apply or OK; false keeps the sheet open on this page.
    virtual bool OnApply() { return true; }
    virtual void OnCancel() {}
    // A WM_COMMAND; true when handled.
    virtual bool OnCommand(int, int, HWND) { return false; }
    // PSM_QUERYSIBLINGS from another page (through the sheet); nonzero stops the query there.
    virtual LRESULT OnQuerySiblings(WPARAM, LPARAM) { return 0; }
    // A WM_NOTIFY from a control; true when handled, with the result in `result`.
    virtual bool OnNotify(const NMHDR&, LRESULT&) { return false; }
    // A private message (WM_APP and above) posted to the page; true when handled.
    virtual bool OnPrivateMessage(UINT, WPARAM, LPARAM) { return false; }
    HWND Sheet() const { return ::GetParent(m_hWnd); }

    HWND m_hWnd = nullptr;

private:
    bool OnSheetNotify(const NMHDR& header, LRESULT& result);
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    bool m_modified = false;
    bool m_firstActivation = true;
};

// A modal property sheet. It runs modeless under its own loop, with its parent disabled, so that it
// can also be ended from outside (EndDialog) without the pages being applied.
class CPropertySheet {
public:
    CPropertySheet(const char* caption, HWND parent) : m_caption(caption), m_parent(parent) {}
    virtual ~CPropertySheet();
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    void AddPage(CPropertyPage& page) { m_pages.push_back(&page); }
    // IDOK when OK ended the sheet, IDCANCEL for Cancel, or what EndDialog gave; -1 when it cannot open.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return m_hWnd; }
    void PressButton(int button) const { SendMessageA(m_hWnd, PSM_PRESSBUTTON, button, 0); }

protected:
    // Once the sheet and its first page exist.
    virtual void OnInitDialog() {}
    // WM_SYSCOMMAND; true when handled.
    virtual bool OnSysCommand(WPARAM) { return false; }

    HWND m_hWnd = nullptr;

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    void RunLoop();

    const char* m_caption;
    HWND m_parent;
    std::vector<CPropertyPage*> m_pages;
    INT_PTR m_result = IDCANCEL;
    bool m_ended = false;
};
