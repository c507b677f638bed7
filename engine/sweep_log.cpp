#include "engine/sweep_log.h"
#include "engine/sweep_events.h"
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <vector>
#include <richedit.h>
#include <string_view>
#include "framework/utf8_text.h"

namespace {
// The totals of a preview say what would go.
std::atomic<bool> g_previewTotals{false};
// A window handle, not an object pointer: a worker that writes just as the window goes away sends to a
// dead handle, which fails harmlessly.
std::atomic<HWND> g_progressWindow{nullptr};
std::atomic<bool> g_echo{false};
std::atomic<bool> g_keepTotals{false};

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

// Lines for standard output go in blocks, so that a pipe costs no more than a file: a block goes out
// once it holds 64 KB, or, from a writer thread, once its first line has waited 50 ms, so that no line
// waits for the next one (a long shred, a hang). A console gets each line as it comes.
constexpr size_t kEchoBlock = 64 * 1024;
constexpr auto kEchoWait = std::chrono::milliseconds(50);
struct EchoBuffer {
    std::string text;
    std::chrono::steady_clock::time_point firstLine;
    bool console = false;
};
EchoBuffer g_echoBuffer;
std::condition_variable g_echoWaiting;
std::thread g_echoWriter;
bool g_echoStopping = false;

void WritePendingEcho()
{
    if (g_echoBuffer.text.empty()) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, g_echoBuffer.text.data(), static_cast<DWORD>(g_echoBuffer.text.size()), &written, nullptr);
    }
    g_echoBuffer.text.clear();
}

void WriteEchoInTime()
{
    std::unique_lock<std::mutex> hold(g_echoMutex);
    while (!g_echoStopping) {
        if (g_echoBuffer.text.empty()) {
            g_echoWaiting.wait(hold);
        } else if (g_echoWaiting.wait_until(hold, g_echoBuffer.firstLine + kEchoWait) == std::cv_status::timeout) {
            WritePendingEcho();
        }
    }
}

void Echo(const char* text)
{
    if (!g_echo) return;
    std::lock_guard<std::mutex> hold(g_echoMutex);
    const bool first = g_echoBuffer.text.empty();
    g_echoBuffer.text += text;
    if (g_echoBuffer.console || g_echoBuffer.text.size() >= kEchoBlock) {
        WritePendingEcho();
    } else if (first) {
        g_echoBuffer.firstLine = std::chrono::steady_clock::now();
        g_echoWaiting.notify_one();
    }
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
    {
        std::lock_guard<std::mutex> hold(g_echoMutex);
        if (on == g_echo) return;
        g_echo = on;
        g_echoStopping = !on;
        if (on) {
            HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
            g_echoBuffer.console = out && out != INVALID_HANDLE_VALUE && GetFileType(out) == FILE_TYPE_CHAR;
        } else {
            WritePendingEcho();
            g_echoWaiting.notify_one();
        }
    }
    if (on)
        g_echoWriter = std::thread(WriteEchoInTime);
    else if (g_echoWriter.joinable())
        g_echoWriter.join();
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

namespace {
// Queues text for the log pane and a status line for the window's thread.
void QueueForWindow(const char* logText, const char* statusText, int statusId)
{
    HWND dialog = nullptr;
    bool post = false;
    {
        std::lock_guard<std::mutex> hold(g_pendingMutex);
        dialog = g_progressWindow;
        if (!dialog) return;
        g_pending.text += logText;
        if (statusId >= kStatusWindows && statusId <= kStatusApplications)
            g_pending.status[statusId - kStatusWindows] = statusText;
        post = !g_pending.flushPosted;
        g_pending.flushPosted = true;
    }
    if (post) PostMessageA(dialog, kFlushLogMessage, 0, 0);
}
}  // namespace

void ShowSweepStatus(int statusId, const std::string& text) { QueueForWindow("", text.c_str(), statusId); }

void LogLine(const char* text, int statusId)
{
    // The pane goes on after it on the same line; standard output ends the line.
    Echo(strcmp(text, kFinishedLine) == 0 ? "Finished cleaning up.\n" : text);
    QueueForWindow(text, text, statusId);
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
    // In UTF-8, the log's own code page, a byte that is no part of a valid sequence (data of another
    // code page, binary data) is written escaped as well: the log stays UTF-8 whatever a name held.
    const bool utf8 = GetACP() == CP_UTF8;
    const std::string_view all(text);
    std::string visible;
    const auto escape = [&](unsigned char c) {
        char escaped[8];
        snprintf(escaped, sizeof escaped, "\\x%02X", c);
        visible += escaped;
    };
    for (size_t at = 0; at < all.size(); ++at) {
        const auto c = static_cast<unsigned char>(all[at]);
        const size_t length = utf8 ? Utf8Length(all, at) : 1;
        if (c == '\n' || c == '\r' || c == '\t') {
            visible += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (c < 0x20 || c == 0x7F || length == 0) {
            escape(c);
        } else if (utf8 && all.substr(at, 2) == "\xC2\x85") {  // U+0085, the next line of the old code pages
            visible += "\\u0085";
            ++at;
        } else if (utf8 && (all.substr(at, 3) == "\xE2\x80\xA8" || all.substr(at, 3) == "\xE2\x80\xA9")) {
            visible += all[at + 2] == '\xA8' ? "\\u2028" : "\\u2029";  // the line and paragraph separators
            at += 2;
        } else {
            visible.append(all, at, length);
            at += length - 1;
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
    if (!g_progressWindow && !g_keepTotals) return;
    CGuardLock::Scope hold(totals.lock);
    if (!hold) return;
    totals.items += items;
    totals.kb += kb;
}

void SetPreviewTotals(bool preview) { g_previewTotals = preview; }

void KeepSweepTotals(bool on) { g_keepTotals = on; }

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
