#pragma once
#include <windows.h>
#include "framework/dialog.h"

// The startup window (resource 144): at start-up with a 5-second auto-close and the "Do not show
// this window next time." checkbox; as the about form with neither.
class StartupWindow : public CDialog {
public:
    StartupWindow(unsigned autoCloseSeconds, bool showCheckbox);
    ~StartupWindow() override;

    int m_notShowAgain = 0;  // the checkbox, read when "OK" ends the dialog

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnOK() override;

private:
    unsigned m_autoCloseSeconds;
    bool m_showCheckbox;
    HFONT m_titleFont = nullptr;
};

// The start-up form; a changed checkbox is stored in "NotShowLogo" and saved at once.
void RunStartupWindow();
// The about form, from the tray's "About" and the control panel's system menu.
void RunAboutWindow(HWND owner);
