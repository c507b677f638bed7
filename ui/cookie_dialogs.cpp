#include "ui/cookie_dialogs.h"
#include <richedit.h>
#include <algorithm>
#include "framework/file.h"
#include "settings/friendly_sites.h"
#include "ui/fixed_controls.h"

namespace {

// " — " in the ANSI code page, or its best fit there.
std::string Dash()
{
    char text[16] = {};
    WideCharToMultiByte(CP_ACP, 0, L" \u2014 ", -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace

std::string CookieDisplayText(const CookieEntry& entry)
{
    if (entry.IsSite()) return entry.browsers.empty() ? entry.site : entry.site + Dash() + entry.browsers;
    const std::string& path = entry.cookie.Fl;
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int MoveCookie(CookieEntries& from, CookieEntries& to, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= from.size()) return -1;
    to.push_back(from[static_cast<size_t>(index)]);
    from.erase(from.begin() + index);
    if (from.empty()) return -1;
    return static_cast<size_t>(index) < from.size() ? index : static_cast<int>(from.size()) - 1;
}

namespace {
constexpr int kCurrentList = IDC_COOKIE_CURRENT;
constexpr int kFriendlyList = IDC_COOKIE_FRIENDLY;
}  // namespace

BOOL CCookieControlDlg::OnInitDialog()
{
    for (const auto& [list, entries] : {std::pair{kFriendlyList, &m_friendly}, std::pair{kCurrentList, &m_current}})
        for (const CookieEntry& entry : *entries)
            SendDlgItemMessageA(m_hWnd, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CookieDisplayText(entry).c_str()));
    for (const int button : {IDC_COOKIE_TO_FRIENDLY, IDC_COOKIE_TO_CURRENT, IDC_COOKIE_VIEW})
        EnableWindow(GetDlgItem(button), FALSE);
    static constexpr int kSiteControls[] = {IDC_COOKIE_SITE, IDC_COOKIE_ADD_SITE};
    if (m_sitesFixed) ShowFixedByPolicy(m_hWnd, kSiteControls);
    return TRUE;
}

bool CCookieControlDlg::OnCommand(int id, int code)
{
    const Side current{kCurrentList, IDC_COOKIE_TO_FRIENDLY, &CCookieControlDlg::m_current};
    const Side friendly{kFriendlyList, IDC_COOKIE_TO_CURRENT, &CCookieControlDlg::m_friendly};
    if (id == kCurrentList || id == kFriendlyList) {
        const Side& side = id == kCurrentList ? current : friendly;
        if (code == LBN_SELCHANGE) OnSelection(side, id == kCurrentList ? friendly : current);
        if (code == LBN_DBLCLK) View(side);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_COOKIE_TO_FRIENDLY: Move(current, friendly); return true;
    case IDC_COOKIE_TO_CURRENT: Move(friendly, current); return true;
    case IDC_COOKIE_ADD_SITE: AddTypedSite(); return true;
    case IDOK:
        // A host typed and not yet added is added with OK; one that is no host keeps the dialog open.
        if (GetWindowTextLengthA(GetDlgItem(IDC_COOKIE_SITE)) > 0) AddTypedSite();
        if (GetWindowTextLengthA(GetDlgItem(IDC_COOKIE_SITE)) > 0) return true;
        return CDialog::OnCommand(id, code);
    case IDC_COOKIE_VIEW:
        if (Selected(current) >= 0)
            View(current);
        else
            View(friendly);
        return true;
    default: return CDialog::OnCommand(id, code);
    }
}

int CCookieControlDlg::Selected(const Side& side) const
{
    const LRESULT selected = SendDlgItemMessageA(m_hWnd, side.list, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR || static_cast<size_t>(selected) >= (this->*side.entries).size()
               ? -1 : static_cast<int>(selected);
}

// Only one list holds a selection at a time, so "View Cookie" always names one cookie.
void CCookieControlDlg::OnSelection(const Side& side, const Side& other)
{
    if (Selected(side) < 0) {
        EnableWindow(GetDlgItem(side.moveButton), FALSE);
        if (Selected(other) < 0) EnableWindow(GetDlgItem(IDC_COOKIE_VIEW), FALSE);
        return;
    }
    EnableWindow(GetDlgItem(side.moveButton), TRUE);
    SendDlgItemMessageA(m_hWnd, other.list, LB_SETCURSEL, WPARAM(-1), 0);
    EnableWindow(GetDlgItem(other.moveButton), FALSE);
    EnableView();
}

// Only a cookie file has a text to show; a site's cookies are rows of the browsers' databases.
void CCookieControlDlg::EnableView()
{
    const Side current{kCurrentList, IDC_COOKIE_TO_FRIENDLY, &CCookieControlDlg::m_current};
    const Side friendly{kFriendlyList, IDC_COOKIE_TO_CURRENT, &CCookieControlDlg::m_friendly};
    const Side& side = Selected(current) >= 0 ? current : friendly;
    const int index = Selected(side);
    EnableWindow(GetDlgItem(IDC_COOKIE_VIEW), index >= 0 && !(this->*side.entries)[static_cast<size_t>(index)].IsSite());
}

void CCookieControlDlg::Move(const Side& from, const Side& to)
{
    const int index = Selected(from);
    if (index < 0) return;
    if (m_sitesFixed && (this->*from.entries)[static_cast<size_t>(index)].IsSite()) {
        MessageBoxA(m_hWnd, "The friendly sites are set by your administrator.", "Ombrix", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::string text = CookieDisplayText((this->*from.entries)[static_cast<size_t>(index)]);
    const int next = MoveCookie(this->*from.entries, this->*to.entries, index);
    SendDlgItemMessageA(m_hWnd, to.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendDlgItemMessageA(m_hWnd, from.list, LB_DELETESTRING, index, 0);
    if (next < 0) {
        EnableWindow(GetDlgItem(from.moveButton), FALSE);
        EnableWindow(GetDlgItem(IDC_COOKIE_VIEW), FALSE);
    } else {
        SendDlgItemMessageA(m_hWnd, from.list, LB_SETCURSEL, next, 0);
        EnableView();
    }
}

// A typed host joins the friendly list (once); one a browser holds moves there from the current list.
void CCookieControlDlg::AddTypedSite()
{
    char typed[512] = {};
    GetDlgItemTextA(m_hWnd, IDC_COOKIE_SITE, typed, sizeof typed);
    std::string host(typed);
    host.erase(0, host.find_first_not_of(" \t"));
    host.erase(host.find_last_not_of(" \t") + 1);
    if (!IsPlainHost(host)) {
        const std::string message = "\"" + host + "\" is not a site's host name.\n\nType a name such as "
                                    "mail.example.com: without http://, a path, a port, a wildcard or blanks.";
        MessageBoxA(m_hWnd, message.c_str(), "Ombrix", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CharLowerA(host.data());
    const auto sameSite = [&](const CookieEntry& entry) { return entry.IsSite() && entry.site == host; };
    SetDlgItemTextA(m_hWnd, IDC_COOKIE_SITE, "");
    if (std::any_of(m_friendly.begin(), m_friendly.end(), sameSite)) return;
    const auto held = std::find_if(m_current.begin(), m_current.end(), sameSite);
    if (held != m_current.end()) {
        const int index = static_cast<int>(held - m_current.begin());
        const Side current{kCurrentList, IDC_COOKIE_TO_FRIENDLY, &CCookieControlDlg::m_current};
        const Side friendly{kFriendlyList, IDC_COOKIE_TO_CURRENT, &CCookieControlDlg::m_friendly};
        SendDlgItemMessageA(m_hWnd, kCurrentList, LB_SETCURSEL, index, 0);
        Move(current, friendly);
        OnSelection(current, friendly);  // the buttons follow the selection the move left
        return;
    }
    CookieEntry entry;
    entry.site = host;
    m_friendly.push_back(entry);
    SendDlgItemMessageA(m_hWnd, kFriendlyList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(host.c_str()));
}

void CCookieControlDlg::View(const Side& side)
{
    const int index = Selected(side);
    if (index < 0) return;
    const CookieEntry& entry = (this->*side.entries)[static_cast<size_t>(index)];
    if (entry.IsSite()) return;
    CCookieViewDlg view(entry.cookie.Fl);
    view.DoModal(m_hWnd);
}

// ---- Cookie View

namespace {
DWORD CALLBACK ReadCookie(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read)
{
    DWORD got = 0;
    const bool ok = reinterpret_cast<CFileHandle*>(cookie)->Read(buffer, static_cast<DWORD>(size), got);
    *read = static_cast<LONG>(got);
    return ok ? 0 : 1;
}
}  // namespace

BOOL CCookieViewDlg::OnInitDialog()
{
    SetWindowTextA(m_hWnd, m_path.c_str());
    HWND text = GetDlgItem(IDC_COOKIE_TEXT);
    SendMessageA(text, EM_SETREADONLY, TRUE, 0);
    CFileHandle file(m_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) {
        SetWindowTextA(text, "This cookie file cannot be opened; it may have been removed.");
        return TRUE;
    }
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&file), 0, ReadCookie};
    SendMessageA(text, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    return TRUE;
}
