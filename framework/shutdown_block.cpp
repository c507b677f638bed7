#include "framework/shutdown_block.h"
#include "framework/system_library.h"

CShutdownBlock::CShutdownBlock(HWND window, const wchar_t* reason) : m_window(window)
{
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (auto create = SystemFunction<Create>("user32.dll", "ShutdownBlockReasonCreate")) m_active = window && create(window, reason);
}

CShutdownBlock::~CShutdownBlock()
{
    using Destroy = BOOL(WINAPI*)(HWND);
    if (!m_active) return;
    if (auto destroy = SystemFunction<Destroy>("user32.dll", "ShutdownBlockReasonDestroy")) destroy(m_window);
}
