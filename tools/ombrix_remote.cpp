// Drives a running Ombrix from scripts, as its tray would:
//   ombrix_remote command <id>              posts a menu command to the main window
//   ombrix_remote hold <file> <release>     holds a file until the release file exists
//   ombrix_remote tray <mouse message>      posts a tray notification
//   ombrix_remote wait-window <title> <s>   waits until a top-level window has that title
//   ombrix_remote wait-exit <s>             waits until no Ombrix main window is left
//   ombrix_remote window-rect <title>       prints a window's screen rectangle as WxH+X+Y
//   ombrix_remote page <title> <index>      shows that page of the property sheet with the title
//   ombrix_remote click <title> <id>        clicks a button of the dialog (or its current page)
//   ombrix_remote type <title> <id> <text>  puts a text into an edit of the dialog
// Exit status 0 on success, 1 when the window was not there in time.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "framework/messages.h"

namespace {
HWND MainWindow() { return FindWindowA("Ombrix", nullptr); }

template <class Condition>
int WaitFor(Condition done, int seconds)
{
    for (int waited = 0; waited < seconds * 10; ++waited) {
        if (done()) return 0;
        Sleep(100);
    }
    return 1;
}

int Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (WaitFor([] { return MainWindow() != nullptr; }, 20)) return 1;
    return PostMessageA(MainWindow(), message, wParam, lParam) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "command") == 0) return Post(WM_COMMAND, strtoul(argv[2], nullptr, 0), 0);
    if (argc == 3 && strcmp(argv[1], "tray") == 0) return Post(kTrayMessage, 1, strtol(argv[2], nullptr, 0));
    if (argc == 4 && strcmp(argv[1], "wait-window") == 0) {
        const char* title = argv[2];
        return WaitFor([title] { return FindWindowA(nullptr, title) != nullptr; }, atoi(argv[3]));
    }
    if (argc == 3 && strcmp(argv[1], "wait-exit") == 0)
        return WaitFor([] { return MainWindow() == nullptr; }, atoi(argv[2]));
    if (argc == 3 && strcmp(argv[1], "window-rect") == 0) {
        HWND window = FindWindowA(nullptr, argv[2]);
        RECT r;
        if (!window || !GetWindowRect(window, &r)) return 1;
        printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "page") == 0) {
        HWND sheet = FindWindowA("#32770", argv[2]);
        return sheet && SendMessageA(sheet, PSM_SETCURSEL, atoi(argv[3]), 0) ? 0 : 1;
    }
    if (argc == 4 && strcmp(argv[1], "click") == 0) {
        HWND dialog = FindWindowA("#32770", argv[2]);
        if (!dialog) return 1;
        HWND button = GetDlgItem(dialog, atoi(argv[3]));
        if (HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0)); !button && page)
            button = GetDlgItem(page, atoi(argv[3]));
        return button && PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (argc == 5 && strcmp(argv[1], "type") == 0) {
        HWND dialog = FindWindowA("#32770", argv[2]);
        HWND edit = dialog ? GetDlgItem(dialog, atoi(argv[3])) : nullptr;
        return edit && SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    }
    // Stands for a running program (copied under its image name): holds a file without sharing
    // until the release file appears.
    if (argc == 4 && strcmp(argv[1], "hold") == 0) {
        HANDLE held = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) return 1;
        const char* release = argv[3];
        const int code = WaitFor([release] { return GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES; }, 120);
        CloseHandle(held);
        return code;
    }
    fprintf(stderr, "usage: ombrix_remote command <id> | tray <message> | wait-window <title> <s> | wait-exit <s> | window-rect <title> | page <title> <i> | click <title> <id> | type <title> <id> <text> | hold <file> <release file>\n");
    return 2;
}
