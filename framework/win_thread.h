#pragma once
#include <windows.h>
#include <memory>

// A thread object as the framework's CWinThread: created suspended, resumed by its owner, its
// handle open until the object goes.
class CWinThread {
    struct Key {};  // only Begin makes thread objects

public:
    using Procedure = UINT (*)(void* parameter);
    explicit CWinThread(Key) {}
    ~CWinThread() { if (m_handle) CloseHandle(m_handle); }
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    HANDLE Handle() const { return m_handle; }
    void ResumeThread() const { ::ResumeThread(m_handle); }

    // The framework's AfxBeginThread with normal priority and the default stack; null on failure.
    static std::unique_ptr<CWinThread> Begin(Procedure procedure, void* parameter, bool suspended);

private:
    static DWORD WINAPI Start(void* self);

    HANDLE m_handle = nullptr;
    Procedure m_procedure = nullptr;
    void* m_parameter = nullptr;
};
