#include "ui/tray_icon.h"
#include <cstring>
#include "res/resource.h"

TrayIcon& TrayIcon::Instance()
{
    static TrayIcon tray;
    return tray;
}

TrayIcon::~TrayIcon()
{
    Remove();
    DestroyIcons();
}

HICON TrayIcon::NormalIcon()
{
    if (!m_normal) m_normal = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_OMBRIX));
    return m_normal;
}

HICON TrayIcon::BlankIcon()
{
    if (!m_blank) {
        // 32 x 32, one plane, one bit per pixel: an AND mask of ones and an XOR mask of zeros.
        BYTE andMask[32 * 32 / 8];
        BYTE xorMask[32 * 32 / 8];
        memset(andMask, 0xFF, sizeof andMask);
        memset(xorMask, 0x00, sizeof xorMask);
        m_blank = CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
    }
    return m_blank;
}

void TrayIcon::Balloon(const std::string& title, const std::string& text)
{
    if (!m_record) return;
    // The record's later form, which holds a balloon; the icon itself stays as added.
    NOTIFYICONDATAA balloon = *m_record;
    balloon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    balloon.uFlags = NIF_INFO;
    lstrcpynA(balloon.szInfoTitle, title.c_str(), sizeof balloon.szInfoTitle);
    lstrcpynA(balloon.szInfo, text.c_str(), sizeof balloon.szInfo);
    balloon.dwInfoFlags = NIIF_WARNING;
    Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

void TrayIcon::Add(HWND window)
{
    m_record = std::make_unique<NOTIFYICONDATAA>();
    // The first form of the record, whose size differs between 32- and 64-bit programs.
    m_record->cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_record->hWnd = window;
    m_record->uID = 1;
    m_record->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record->uCallbackMessage = kTrayMessage;
    m_record->hIcon = NormalIcon();
    strcpy(m_record->szTip, "Ombrix");
    Shell_NotifyIconA(NIM_ADD, m_record.get());  // a failure leaves the program without icon, nothing more
}

void TrayIcon::Show(HICON icon)
{
    if (!m_record) return;
    NOTIFYICONDATAA changed = *m_record;
    changed.hIcon = icon;
    Shell_NotifyIconA(NIM_MODIFY, &changed);
}

void TrayIcon::Remove()
{
    if (!m_record) return;
    Shell_NotifyIconA(NIM_DELETE, m_record.get());
    m_record.reset();
}

void TrayIcon::DestroyIcons()
{
    // The normal icon is LoadIcon's, shared by the module: not ours to destroy. The blank one is.
    if (m_blank) DestroyIcon(m_blank);
    m_normal = m_blank = current = nullptr;
}
