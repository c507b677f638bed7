#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Answers a modal dialog, message box or menu that the test's own thread is about to open: a thread
// of its own waits for a visible window of this process with that class and title (either may be
// null), then acts on it. A test never waits for a person.
class WindowWatcher {
public:
    WindowWatcher(const char* className, const char* title, std::function<void(HWND)> action, DWORD timeoutMs = 20000);
    ~WindowWatcher();
    WindowWatcher(const WindowWatcher&) = delete;
    WindowWatcher& operator=(const WindowWatcher&) = delete;
    bool Acted() const { return m_acted; }

private:
    std::atomic<bool> m_acted{false};
    std::thread m_thread;
};

// A click on a dialog button, as the dialog would receive it.
void PressButton(HWND dialog, int id);
HWND FindOwnWindow(const char* className, const char* title);
std::string WindowText(HWND window);
// Runs the thread's messages until the condition holds (or the timeout passes).
bool PumpUntilTrue(const std::function<bool()>& condition, DWORD timeoutMs = 60000);
