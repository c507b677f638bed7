#include "framework/win_thread.h"

DWORD WINAPI CWinThread::Start(void* self)
{
    auto* thread = static_cast<CWinThread*>(self);
    return thread->m_procedure(thread->m_parameter);
}

std::unique_ptr<CWinThread> CWinThread::Begin(Procedure procedure, void* parameter, bool suspended)
{
    auto thread = std::make_unique<CWinThread>(Key{});
    thread->m_procedure = procedure;
    thread->m_parameter = parameter;
    thread->m_handle = CreateThread(nullptr, 0, Start, thread.get(), CREATE_SUSPENDED, nullptr);
    if (!thread->m_handle) return nullptr;
    if (!suspended) thread->ResumeThread();
    return thread;
}
