#pragma once
#include <windows.h>

// Every private window message of the program, in one place, so that no two share an id.
inline constexpr UINT kFlushLogMessage = WM_APP + 1;          // progress window: workers' lines are waiting
inline constexpr UINT kAnnounceModifiedMessage = WM_APP + 2;  // property sheet: a page was modified
inline constexpr UINT kRulesDetectedMessage = WM_APP + 3;     // Sweep More page: detection has ended
inline constexpr UINT kRulesDownloadMessage = WM_APP + 4;     // Sweep More page: the download moved on or ended
inline constexpr UINT kWorkerMessage = WM_USER + 10;          // main window: a worker started or ended
inline constexpr UINT kOpenControlPanelMessage = WM_USER + 11;  // main window: from a second start
inline constexpr UINT kShowProgressMessage = WM_USER + 12;    // main window: a page's "Log" button
inline constexpr UINT kRulesUpdateFailedMessage = WM_USER + 13;  // main window: lParam owns the words
inline constexpr UINT kTrayMessage = WM_USER + 100;           // main window: the tray icon's mouse messages
