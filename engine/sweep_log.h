#pragma once
#include <windows.h>
#include <ctime>
#include <string>
#include "framework/guard_lock.h"
#include "framework/messages.h"

// The parts of the progress window the log writes, by what they show: a category's status line and
// bar (or the log alone). The window names their controls when it attaches itself.
inline constexpr int kStatusLogOnly = 0;
inline constexpr int kStatusWindows = 1;
inline constexpr int kStatusInternet = 2;
inline constexpr int kStatusApplications = 3;
inline constexpr int kBarWindows = 1;
inline constexpr int kBarInternet = 2;
inline constexpr int kBarApplications = 3;
struct ProgressWindowIds {
    int status[3];  // of kStatusWindows, kStatusInternet, kStatusApplications, in that order
    int bars[3];    // of kBarWindows, kBarInternet, kBarApplications
    int logPane;
    int totalsLine;
};

inline constexpr int kLineBufferSize = 512;
inline constexpr double kBytesToKB = 0.0009765625;
inline constexpr const char* kWaitingText = "Waiting to start sweeping";
inline constexpr const char* kFinishedLine = "Finished cleaning up.";

void LogLine(const char* text, int statusId);
void LogTimedLine(const char* text, int statusId);
int FormatLogLine(char* buffer, int size, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
// A name, path or value text as it goes into the log: its control characters (U+0000 to U+001F,
// U+007F, U+0085, U+2028, U+2029) written visibly ("\n", "\r", "\x1B", "\u2028"), so that no
// name can end a line or start another.
std::string VisibleText(const char* text);
// A whole line however long, formatted from arguments already made visible.
std::string FormatWholeLine(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void SetSweepProgress(int barId, unsigned percent);
// A category's status line alone, without a line in the log (a long walk's progress).
void ShowSweepStatus(int statusId, const std::string& text);
void AddSweepTotals(int items, float kb);
void ShowSweepTotals();
// The totals so far as the progress window shows them: swept, or to sweep in a preview.
std::string SweepTotalsLine();
// Whether the totals are a preview's ("to sweep") or a sweep's ("swept").
void SetPreviewTotals(bool preview);
// Totals are kept without a window too while a script's sweep runs: its text log and its JSON Lines
// end with them.
void KeepSweepTotals(bool on);
void SetProgressTitle(const char* text);
void ResetSweepProgress();

// The window totals: items swept and kilobytes restored since the last reset.
struct SweepTotals {
    CGuardLock lock;
    int items = 0;
    float kb = 0.0f;
};
SweepTotals& WindowTotals();

// The progress window the functions write into, and its controls; null while there is none.
void AttachProgressWindow(HWND dialog, const ProgressWindowIds& ids = {});
HWND ProgressWindow();
// Also write every log line to standard output (for sweeps without a window); off writes what is
// still pending.
void EchoLogToStdout(bool on);
// A line for standard output only, while the log goes there.
void EchoToStdout(const char* text);

// Appends a line at the end of a log pane and scrolls it into view.
void AppendToLogPane(HWND pane, const char* text);
// Logged lines reach the pane in batches: the progress window writes what is pending when it gets
// kFlushLogMessage, on its own thread, so that lines of different threads never cut into one another.
// Writes the pending lines and status texts now (on the window's thread).
void WritePendingLog(HWND dialog);
// From any thread: brings the window up to date with everything logged so far.
void FlushPendingLog();
// A time (by default now) as local time in strftime form.
std::string LocalTimeText(const char* format, time_t when = time(nullptr));
// Status lines and bars back to their waiting state (used by the reset and by the window, once attached).
void ShowWaitingState(HWND dialog, const ProgressWindowIds& ids);

// The two forms of an item line: with a counter the counter is stepped and the counted form goes to
// the caller's status line; without one the plain form goes to the log only (or, for lines that keep
// it, to the caller's status line too).
// What a script reads of an item line: its action, and whether it waits for the restart.
struct ItemLine {
    const char* counted;
    const char* plain;
    bool plainKeepsStatus = false;
    const char* action = "";
    bool scheduled = false;
};

// Every text argument of a log line passes through VisibleText; numbers pass as they are.
struct VisibleArgument {
    std::string text;
};
template <class T>
T Visible(T value)
{
    return value;
}
inline VisibleArgument Visible(const char* text) { return {VisibleText(text)}; }
inline VisibleArgument Visible(char* text) { return {VisibleText(text)}; }
template <class T>
T Raw(T value)
{
    return value;
}
inline const char* Raw(const VisibleArgument& argument) { return argument.text.c_str(); }

// One log line from its format and the texts and numbers it names.
template <class... Args>
std::string FormatLine(const char* format, Args... args)
{
    return FormatWholeLine(format, Raw(Visible(args))...);
}

// An item the sweep set out to remove that stays: one line ("  Left: <target> (<why>).") and its event.
void LogLeft(int statusId, const char* action, const std::string& target, const char* why);
// A line that is neither an item nor a refusal but tells what a script should know: it is a note too.
void LogNote(const std::string& line);

// An item's event for a script: its target and size are the line's first text and first number.
void EmitItemEvent(const ItemLine& line, int statusId, int item, const std::string& target, double kb);
inline void TakeFirst(std::string& text, bool& found, const char* value)
{
    if (!found) text = value ? value : "", found = true;
}
inline void TakeFirst(double& number, bool& found, double value)
{
    if (!found) number = value, found = true;
}
template <class Slot, class T>
void TakeFirst(Slot&, bool&, T)
{
}

// An item line whose event names `target` (where the line's own texts do not name it whole).
template <class... Args>
void LogItemAt(const std::string& target, const ItemLine& line, int statusId, int* counter, Args... args)
{
    int item = 0;
    if (counter) {
        item = ++*counter;
        LogLine(FormatLine(line.counted, item, args...).c_str(), statusId);
    } else {
        LogLine(FormatLine(line.plain, args...).c_str(), line.plainKeepsStatus ? statusId : kStatusLogOnly);
    }
    double kb = 0;
    [[maybe_unused]] bool found = false;
    (TakeFirst(kb, found, args), ...);
    EmitItemEvent(line, statusId, item, target, kb);
}

template <class... Args>
void LogItem(const ItemLine& line, int statusId, int* counter, Args... args)
{
    std::string target;
    [[maybe_unused]] bool found = false;
    (TakeFirst(target, found, args), ...);
    LogItemAt(target, line, statusId, counter, args...);
}
