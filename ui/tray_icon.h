#pragma once
#include <windows.h>
#include <shellapi.h>
#include <memory>
#include <string>
#include "framework/messages.h"

// Mouse messages of the tray icon reach the main window as this message, lParam the mouse message.

// The icon in the notification area, and the normal and blank icons its animation alternates.
class TrayIcon {
public:
    static TrayIcon& Instance();
    ~TrayIcon();

    void Add(HWND window);
    void Show(HICON icon);  // the record keeps the normal icon
    void Remove();
    // A balloon from the icon, as a warning: the one word the tray says unasked.
    void Balloon(const std::string& title, const std::string& text);
    bool Exists() const { return m_record != nullptr; }
    const NOTIFYICONDATAA* Record() const { return m_record.get(); }

    HICON NormalIcon();
    HICON BlankIcon();  // fully transparent, made on first use
    HICON current = nullptr;
    void DestroyIcons();

private:
    TrayIcon() = default;

    std::unique_ptr<NOTIFYICONDATAA> m_record;
    HICON m_normal = nullptr;
    HICON m_blank = nullptr;
};
