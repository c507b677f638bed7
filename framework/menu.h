#pragma once
#include <windows.h>

// A menu handle with one owner. Owner-drawn items are drawn and measured by the object; the window
// that shows the menu hands WM_DRAWITEM and WM_MEASUREITEM of its menu items on to it.
class CMenu {
public:
    explicit CMenu(HMENU menu) : m_menu(menu) {}
    virtual ~CMenu() { if (m_menu) DestroyMenu(m_menu); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU GetSafeHmenu() const { return m_menu; }
    virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;
    virtual void MeasureItem(MEASUREITEMSTRUCT& item) = 0;

private:
    HMENU m_menu;
};
