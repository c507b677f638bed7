#pragma once
#include <windows.h>
#include <string>
#include "framework/dialog.h"
#include "res/resource.h"
#include "settings/settings_records.h"

// An entry of Cookie Control's lists: an Internet Explorer cookie file, or a site whose cookies the
// browsers hold (with the browsers that hold them).
struct CookieEntry {
    FriendlyCookie cookie;
    std::string site;
    std::string browsers;
    bool IsSite() const { return !site.empty(); }
};
using CookieEntries = std::vector<CookieEntry>;

// What an entry shows: a cookie's file name (or the whole path when it has no backslash); a site's
// host, with the browsers that hold it.
std::string CookieDisplayText(const CookieEntry& entry);
// Moves entry `index` of one list to the end of the other; the index to select next in the source,
// or -1 when the source is now empty (or nothing was moved).
int MoveCookie(CookieEntries& from, CookieEntries& to, int index);

// "Cookie Control": the current cookies beside the friendly ones, moved between the two; a site
// may also be typed in, since it may hold no cookie yet.
class CCookieControlDlg : public CDialog {
public:
    // `sitesFixed`: the administrator's policy sets the friendly sites; they are shown and stay put.
    CCookieControlDlg(CookieEntries current, CookieEntries friendly, bool sitesFixed = false)
        : CDialog(IDD_COOKIE_CONTROL), m_current(std::move(current)), m_friendly(std::move(friendly)),
          m_sitesFixed(sitesFixed) {}
    const CookieEntries& Friendly() const { return m_friendly; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    struct Side {
        int list;
        int moveButton;
        CookieEntries CCookieControlDlg::*entries;
    };
    void OnSelection(const Side& side, const Side& other);
    void Move(const Side& from, const Side& to);
    void View(const Side& side);
    void AddTypedSite();
    int Selected(const Side& side) const;
    void EnableView();

    CookieEntries m_current;
    CookieEntries m_friendly;
    bool m_sitesFixed;
};

// "Cookie View": one cookie file's text, read-only.
class CCookieViewDlg : public CDialog {
public:
    explicit CCookieViewDlg(std::string path) : CDialog(IDD_COOKIE_VIEW), m_path(std::move(path)) {}

protected:
    BOOL OnInitDialog() override;

private:
    std::string m_path;
};
