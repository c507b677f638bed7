#pragma once
#include <windows.h>
#include <string>
#include "framework/menu.h"

// The tray icon's pop-up menu, headed by an owner-drawn title on a caption-coloured gradient.
class TrayMenu : public CMenu {
public:
    TrayMenu();
    ~TrayMenu() override;

    // Builds the items; false when one of them could not be added. A preview is offered only while
    // nothing sweeps.
    bool Build(bool sweepAllRunning, bool logWindowShown, bool previewAvailable);
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    void MeasureItem(MEASUREITEMSTRUCT& item) override;

    const std::string& Title() const { return m_title; }

private:
    using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

    HFONT m_boldFont = nullptr;
    std::string m_title;
    GradientFillProc m_gradientFill = nullptr;  // optional: plain fill without it
    COLORREF m_startColour;
    COLORREF m_endColour;
    COLORREF m_textColour;
    bool m_frame = false;
    UINT m_edgeStyle = BDR_SUNKENINNER;
};

// Shows the tray menu at the cursor, its commands going to the window; nothing while one is shown
// (`shown` is the menu while it is shown).
void ShowTrayMenu(HWND window, TrayMenu*& shown);
