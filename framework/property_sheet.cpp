#include "framework/property_sheet.h"
#include "framework/messages.h"

namespace {
// The sheet being opened: its creation callback carries no pointer of ours (user-interface thread only).
CPropertySheet* g_opening = nullptr;

INT_PTR NotifyResult(HWND hwnd, LRESULT result)
{
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
}  // namespace

void DDX_Check(CDataExchange& dx, int id, int& value)
{
    if (dx.saveAndValidate)
        value = static_cast<int>(IsDlgButtonChecked(dx.dialog, id));
    else
        CheckDlgButton(dx.dialog, id, static_cast<UINT>(value));
}

// ---- Page

void CPropertyPage::SetModified(bool changed)
{
    m_modified = changed;
    if (!m_hWnd) return;
    SendMessageA(Sheet(), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

bool CPropertyPage::UpdateData(bool saveAndValidate)
{
    if (!m_hWnd) return false;
    CDataExchange dx{m_hWnd, saveAndValidate};
    DoDataExchange(dx);
    return true;
}

PROPSHEETPAGEA CPropertyPage::Describe()
{
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(m_templateId);
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

BOOL CPropertyPage::OnInitDialog()
{
    UpdateData(false);
    if (m_modified) PostMessageA(m_hWnd, kAnnounceModifiedMessage, 0, 0);
    return TRUE;
}

bool CPropertyPage::OnSheetNotify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case PSN_SETACTIVE:
        // A page shown again shows its members, which the sheet's other paths may have changed.
        if (!m_firstActivation) UpdateData(false);
        m_firstActivation = false;
        result = 0;
        return true;
    case PSN_KILLACTIVE:
        UpdateData(true);
        result = FALSE;
        return true;
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        if (result == PSNRET_NOERROR) m_modified = false;
        return true;
    case PSN_RESET:
        OnCancel();
        result = 0;
        return true;
    default: return false;
    }
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_NCDESTROY:
        self->m_hWnd = nullptr;
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return FALSE;
    case kAnnounceModifiedMessage:
        if (self->m_modified) self->SetModified(true);
        return TRUE;
    case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case PSM_QUERYSIBLINGS: return NotifyResult(hwnd, self->OnQuerySiblings(wParam, lParam));
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        const bool handled = header.hwndFrom == GetParent(hwnd) ? self->OnSheetNotify(header, result)
                                                                : self->OnNotify(header, result);
        return handled ? NotifyResult(hwnd, result) : FALSE;
    }
    default: return message >= WM_APP && self->OnPrivateMessage(message, wParam, lParam);
    }
}

// ---- Sheet

CPropertySheet::~CPropertySheet()
{
    if (m_hWnd) DestroyWindow(m_hWnd);
}

INT_PTR CPropertySheet::DoModal()
{
    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage* page : m_pages) pages.push_back(page->Describe());
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    header.hwndParent = m_parent;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = m_caption;
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    header.pfnCallback = SheetCallback;
    m_ended = false;
    m_result = IDCANCEL;
    g_opening = this;
    const INT_PTR sheet = PropertySheetA(&header);
    g_opening = nullptr;
    if (sheet == -1 || sheet == 0 || !m_hWnd) return -1;
    const bool parentWasEnabled = m_parent && !EnableWindow(m_parent, FALSE);
    RunLoop();
    if (parentWasEnabled) EnableWindow(m_parent, TRUE);
    if (m_hWnd) DestroyWindow(m_hWnd);
    return m_result;
}

void CPropertySheet::RunLoop()
{
    MSG msg;
    while (!m_ended && m_hWnd) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // the application's loop ends next
            return;
        }
        if (!SendMessageA(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // A modeless sheet stays after OK and Cancel with no current page.
        if (m_hWnd && !SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0)) return;
    }
}

void CPropertySheet::EndDialog(INT_PTR result)
{
    m_result = result;
    m_ended = true;
    PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM)
{
    if (message != PSCB_INITIALIZED || !g_opening) return 0;
    CPropertySheet* self = g_opening;
    self->m_hWnd = hwnd;
    SetWindowSubclass(hwnd, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(self));
    self->OnInitDialog();
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data)
{
    auto* self = reinterpret_cast<CPropertySheet*>(data);
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) self->m_result = LOWORD(wParam);
        [[fallthrough]];
    case PSM_PRESSBUTTON:
    case WM_CLOSE:
        // These may end the sheet while its loop waits for a posted message; one wakes it to look.
        PostMessageA(hwnd, WM_NULL, 0, 0);
        break;
    case WM_SYSCOMMAND:
        if (self->OnSysCommand(wParam)) return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, SubclassProc, 0);
        self->m_hWnd = nullptr;
        break;
    default: break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
