#pragma once
#include <windows.h>

// Waits for a handle while still answering messages that other threads send to this thread's windows.
// A worker writing the progress window waits for that thread; a plain wait there would deadlock.
inline DWORD WaitAnsweringSentMessages(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        const DWORD left = timeoutMs == INFINITE ? INFINITE
                           : elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) return result;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs the sent messages
    }
}
