#include "tests/support/window_watcher.h"
#include <cstring>
#include "tests/support/log_capture.h"

namespace {
struct Search {
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (search->className && strcmp(className, search->className) != 0) return TRUE;
    if (search->title && WindowText(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND FindOwnWindow(const char* className, const char* title)
{
    Search search{className, title, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

WindowWatcher::WindowWatcher(const char* className, const char* title, std::function<void(HWND)> action,
                             DWORD timeoutMs)
    : m_thread([this, className, title, action = std::move(action), timeoutMs] {
          const ULONGLONG end = GetTickCount64() + timeoutMs;
          while (GetTickCount64() < end) {
              if (HWND window = FindOwnWindow(className, title)) {
                  action(window);
                  m_acted = true;
                  return;
              }
              Sleep(20);
          }
      })
{
}

WindowWatcher::~WindowWatcher() { m_thread.join(); }

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool PumpUntilTrue(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}
