#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The real progress window, created hidden for one test, and what its controls show.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    HWND Window() const;
    std::string Log() const;                // the log pane, line breaks as "\n"
    std::vector<std::string> Lines() const; // the log pane without the opening line
    std::string Text(int controlId) const;
    // A category's status line (kStatusWindows, ...), the totals line, a category's bar position.
    std::string Status(int status) const;
    std::string Totals() const;
    int Bar(int bar) const;
    // How often a text occurs in the log ("Finished cleaning up." has no line break, so lines may
    // run together).
    size_t Count(const std::string& text) const;
    int BarPosition(int barId) const;
};

// Runs the calling thread's messages until the handle is signalled (or the timeout passes).
bool PumpUntil(HANDLE handle, DWORD timeoutMs = 60000);
void PumpPending();
