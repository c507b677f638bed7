#include "tests/support/log_capture.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sstream>
#include "engine/sweep_log.h"
#include "ui/sweep_progress_dlg.h"

LogCapture::LogCapture()
{
    if (!CSweepProgressDlg::CreateProgressWindow(nullptr, false)) ADD_FAILURE() << "no progress window";
}

LogCapture::~LogCapture() { CSweepProgressDlg::DestroyProgressWindow(); }

HWND LogCapture::Window() const
{
    CSweepProgressDlg* dlg = CSweepProgressDlg::Instance();
    return dlg ? dlg->GetSafeHwnd() : nullptr;
}

std::string LogCapture::Text(int controlId) const
{
    FlushPendingLog();
    HWND control = GetDlgItem(Window(), controlId);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, text.data(), length + 1);
    text.resize(strlen(text.c_str()));
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            lines += text[i];
        }
    }
    return lines;
}

std::string LogCapture::Log() const { return Text(ProgressIds().logPane); }
std::string LogCapture::Status(int status) const { return Text(ProgressIds().status[status - kStatusWindows]); }
std::string LogCapture::Totals() const { return Text(ProgressIds().totalsLine); }
int LogCapture::Bar(int bar) const { return BarPosition(ProgressIds().bars[bar - kBarWindows]); }

std::vector<std::string> LogCapture::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(Log());
    std::string line;
    std::getline(in, line);  // the opening line
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

size_t LogCapture::Count(const std::string& text) const
{
    const std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

int LogCapture::BarPosition(int barId) const
{
    return static_cast<int>(SendDlgItemMessageA(Window(), barId, PBM_GETPOS, 0, 0));
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        PumpPending();
    }
}
