#pragma once
#include <windows.h>
#include <string>
#include "framework/dialog.h"
#include "res/resource.h"
#include "settings/settings_records.h"

// What a cookie's list entry shows: its file name, or the whole path when it has no backslash.
std::string CookieDisplayText(const std::string& path);
// Moves entry `index` of one list to the end of the other; the index to select next in the source,
// or -1 when the source is now empty (or nothing was moved).
int MoveCookie(FriendlyCookieList& from, FriendlyCookieList& to, int index);

// "Cookie Control": the current cookie files beside the friendly ones, moved between the two.
class CCookieControlDlg : public CDialog {
public:
    CCookieControlDlg(FriendlyCookieList current, FriendlyCookieList friendly)
        : CDialog(IDD_COOKIE_CONTROL), m_current(std::move(current)), m_friendly(std::move(friendly)) {}
    const FriendlyCookieList& Friendly() const { return m_friendly; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    struct Side {
        int list;
        int moveButton;
        FriendlyCookieList CCookieControlDlg::*entries;
    };
    void OnSelection(const Side& side, const Side& other);
    void Move(const Side& from, const Side& to);
    void View(const Side& side);
    int Selected(const Side& side) const;

    FriendlyCookieList m_current;
    FriendlyCookieList m_friendly;
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
