#include "engine/sweep_log.h"
#include "engine/sweep_events.h"
#include <atomic>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <vector>
#include <richedit.h>

namespace {
// The totals of a preview say what would go.
std::atomic<bool> g_previewTotals{false};
// A window handle, not an object pointer: a worker that writes just as the window goes away sends to a
// dead handle, which fails harmlessly.
std::atomic<HWND> g_progressWindow{nullptr};
std::atomic<bool> g_echo{false};

// Lines wait here until the window's thread takes them all at once: a worker never waits for the
// pane, and one insert and one repaint serve many lines. Of a status line only the last text counts.
struct PendingLog {
    std::string text;
    std::optional<std::string> status[3];  // of each category
    bool flushPosted = false;
};
PendingLog g_pending;
ProgressWindowIds g_ids{};  // the attached window's controls
std::mutex g_pendingMutex;
std::mutex g_echoMutex;

// Lines for standard output go in blocks, one write at most every 100 ms or 64 KB, so that a pipe
// costs no more than a file; a console gets each line as it comes.
constexpr size_t kEchoBlock = 64 * 1024;
constexpr DWORD kEchoIntervalMs = 100;
struct EchoBuffer {
    std::string text;
    DWORD lastWrite = 0;
    bool console = false;
};
EchoBuffer g_echoBuffer;

void WritePendingEcho()
{
    if (g_echoBuffer.text.empty()) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, g_echoBuffer.text.data(), static_cast<DWORD>(g_echoBuffer.text.size()), &written, nullptr);
    }
    g_echoBuffer.text.clear();
    g_echoBuffer.lastWrite = GetTickCount();
}

void Echo(const char* text)
{
    if (!g_echo) return;
    std::lock_guard<std::mutex> hold(g_echoMutex);
    g_echoBuffer.text += text;
    if (g_echoBuffer.console || g_echoBuffer.text.size() >= kEchoBlock ||
        GetTickCount() - g_echoBuffer.lastWrite >= kEchoIntervalMs)
        WritePendingEcho();
}
}  // namespace

SweepTotals& WindowTotals()
{
    static SweepTotals totals;
    return totals;
}

void AttachProgressWindow(HWND dialog, const ProgressWindowIds& ids)
{
    std::lock_guard<std::mutex> hold(g_pendingMutex);
    g_progressWindow = dialog;
    g_ids = ids;
    g_pending = PendingLog();  // lines meant for another window are not shown in this one
}
HWND ProgressWindow() { return g_progressWindow; }
void EchoLogToStdout(bool on)
{
    std::lock_guard<std::mutex> hold(g_echoMutex);
    if (on) {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        g_echoBuffer.console = out && out != INVALID_HANDLE_VALUE && GetFileType(out) == FILE_TYPE_CHAR;
        g_echoBuffer.lastWrite = GetTickCount();
    } else {
        WritePendingEcho();
    }
    g_echo = on;
}

void EchoToStdout(const char* text) { Echo(text); }

std::string LocalTimeText(const char* format, time_t when)
{
    struct tm local{};
    localtime_s(&local, &when);
    char text[128];
    strftime(text, sizeof text, format, &local);
    return text;
}

void AppendToLogPane(HWND pane, const char* text)
{
    // Painting is held back while the text changes: redrawn at every insert, the pane costs
    // milliseconds a line.
    SendMessageA(pane, WM_SETREDRAW, FALSE, 0);
    const LRESULT end = SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(pane, EM_SETSEL, end, end);
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SendMessageA(pane, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageA(pane, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(pane, nullptr, FALSE);
}

void LogLine(const char* text, int statusId)
{
    // The pane goes on after it on the same line; standard output ends the line.
    Echo(strcmp(text, kFinishedLine) == 0 ? "Finished cleaning up.\n" : text);
    HWND dialog = nullptr;
    bool post = false;
    {
        std::lock_guard<std::mutex> hold(g_pendingMutex);
        dialog = g_progressWindow;
        if (!dialog) return;
        g_pending.text += text;
        if (statusId >= kStatusWindows && statusId <= kStatusApplications)
            g_pending.status[statusId - kStatusWindows] = text;
        post = !g_pending.flushPosted;
        g_pending.flushPosted = true;
    }
    if (post) PostMessageA(dialog, kFlushLogMessage, 0, 0);
}

void WritePendingLog(HWND dialog)
{
    PendingLog taken;
    {
        std::lock_guard<std::mutex> hold(g_pendingMutex);
        std::swap(taken, g_pending);
    }
    if (!taken.text.empty())
        if (HWND pane = GetDlgItem(dialog, g_ids.logPane)) AppendToLogPane(pane, taken.text.c_str());
    for (int i = 0; i < 3; ++i)
        if (taken.status[i]) SetDlgItemTextA(dialog, g_ids.status[i], taken.status[i]->c_str());
}

void FlushPendingLog()
{
    if (HWND dialog = g_progressWindow) SendMessageA(dialog, kFlushLogMessage, 0, 0);
}

void LogTimedLine(const char* text, int statusId)
{
    const std::string stamped = text + LocalTimeText(" @ %H:%M - %b %d %Y\n");
    LogLine(stamped.c_str(), statusId);
}

int FormatLogLine(char* buffer, int size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(buffer, static_cast<size_t>(size), format, args);
    va_end(args);
    if (length >= 0 && length < size) return length;
    const int error = snprintf(buffer, static_cast<size_t>(size), "Error: Buffer is not enough. Format: %s\n", format);
    if (error >= 0 && error < size) return error;
    snprintf(buffer, static_cast<size_t>(size), "%s", "Error: Buffer is not enough.\n");
    return static_cast<int>(strlen(buffer));
}

std::string VisibleText(const char* text)
{
    const bool utf8 = GetACP() == CP_UTF8;  // the three line breaks beyond ASCII, as UTF-8 writes them
    std::string visible;
    for (const char* at = text; *at; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        const auto next = static_cast<unsigned char>(at[1]);
        if (c == '\n' || c == '\r' || c == '\t') {
            visible += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            visible += escaped;
        } else if (utf8 && c == 0xC2 && next == 0x85) {  // U+0085, the next line of the old code pages
            visible += "\\u0085";
            ++at;
        } else if (utf8 && c == 0xE2 && next == 0x80 && (at[2] == '\xA8' || at[2] == '\xA9')) {  // U+2028, U+2029
            visible += at[2] == '\xA8' ? "\\u2028" : "\\u2029";
            at += 2;
        } else {
            visible += *at;
        }
    }
    return visible;
}

std::string FormatWholeLine(const char* format, ...)
{
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);
    return line;
}

void SetSweepProgress(int barId, unsigned percent)
{
    if (barId < kBarWindows || barId > kBarApplications) return;
    if (HWND dialog = g_progressWindow)
        SendDlgItemMessageA(dialog, g_ids.bars[barId - kBarWindows], PBM_SETPOS, percent > 100 ? 100 : percent, 0);
}

void AddSweepTotals(int items, float kb)
{
    SweepTotals& totals = WindowTotals();
    if (!g_progressWindow && !g_echo) return;
    CGuardLock::Scope hold(totals.lock);
    if (!hold) return;
    totals.items += items;
    totals.kb += kb;
}

void SetPreviewTotals(bool preview) { g_previewTotals = preview; }

std::string SweepTotalsLine()
{
    SweepTotals& totals = WindowTotals();
    CGuardLock::Scope hold(totals.lock);
    char text[kLineBufferSize];
    FormatLogLine(text, sizeof text,
                  g_previewTotals ? "Total: %d item(s) to sweep, %.3f KB to restore."
                                         : "Total: %d item(s) swept, %.3f KB restored.",
                  totals.items, static_cast<double>(totals.kb));
    return text;
}

void ShowSweepTotals()
{
    HWND dialog = g_progressWindow;
    if (!dialog) return;
    // Two workers ending together: the later total must be the one left shown, so reading and showing
    // go together. The window's own thread never waits here, or it would block the workers' sends.
    static std::mutex order;
    std::unique_lock<std::mutex> hold(order, std::defer_lock);
    if (GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) hold.lock();
    SetDlgItemTextA(dialog, g_ids.totalsLine, SweepTotalsLine().c_str());
}

void SetProgressTitle(const char* text)
{
    if (HWND dialog = g_progressWindow) SetWindowTextA(dialog, text);
}

void ShowWaitingState(HWND dialog, const ProgressWindowIds& ids)
{
    WritePendingLog(dialog);  // else an older status line would overwrite the waiting text
    for (int id : {ids.status[0], ids.status[1], ids.status[2], ids.totalsLine})
        SetDlgItemTextA(dialog, id, kWaitingText);
    for (int bar : ids.bars) {
        SendDlgItemMessageA(dialog, bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendDlgItemMessageA(dialog, bar, PBM_SETPOS, 0, 0);
    }
}

void ResetSweepProgress()
{
    HWND dialog = g_progressWindow;
    if (!dialog) return;
    ShowWaitingState(dialog, g_ids);
    SetWindowTextA(dialog, "Sweeping Progress");
    SweepTotals& totals = WindowTotals();
    totals.items = 0;
    totals.kb = 0.0f;
}

void EmitItemEvent(const ItemLine& line, int statusId, int item, const std::string& target, double kb)
{
    SweepEvent event;
    event.type = SweepEvent::Type::Item;
    event.statusId = statusId;
    event.item = item;
    event.action = line.action;
    event.target = target;
    event.kb = kb;
    event.result = line.scheduled ? SweepEvent::Result::Scheduled : SweepEvent::Result::Removed;
    EmitSweepEvent(event);
}

void LogLeft(int statusId, const char* action, const std::string& target, const char* why)
{
    LogLine(FormatLine("  Left: %s (%s).\n", target.c_str(), why).c_str(), kStatusLogOnly);
    NoteLeft(statusId, action, target, why);
}

void LogNote(const std::string& line)
{
    LogLine(line.c_str(), kStatusLogOnly);
    // The line without its indent and line end is the note's text.
    const size_t first = line.find_first_not_of(' ');
    const size_t last = line.find_last_not_of("\r\n");
    SweepEvent event;
    event.text = first == std::string::npos || last < first ? std::string() : line.substr(first, last - first + 1);
    EmitSweepEvent(event);
}
