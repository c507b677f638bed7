#pragma once
#include <windows.h>
#include "framework/wait.h"

// An unnamed mutex guarding one piece of shared state. A thread that already holds it goes on at once
// (the mutex counts nested takes); any other thread waits at most 500 ms.
class CGuardLock {
public:
    static constexpr DWORD kWaitMs = 500;

    CGuardLock() : m_mutex(CreateMutexA(nullptr, FALSE, nullptr)) {}
    ~CGuardLock() { if (m_mutex) CloseHandle(m_mutex); }
    CGuardLock(const CGuardLock&) = delete;
    CGuardLock& operator=(const CGuardLock&) = delete;

    bool Lock() const
    {
        const DWORD result = WaitAnsweringSentMessages(m_mutex, kWaitMs);
        return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    void Unlock() const { ReleaseMutex(m_mutex); }

    // Holds the lock for one scope; it converts to true when the bounded wait succeeded.
    class Scope {
    public:
        explicit Scope(const CGuardLock& lock) : m_lock(lock), m_acquired(lock.Lock()) {}
        ~Scope() { if (m_acquired) m_lock.Unlock(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        explicit operator bool() const { return m_acquired; }

    private:
        const CGuardLock& m_lock;
        bool m_acquired;
    };

private:
    HANDLE m_mutex;
};
