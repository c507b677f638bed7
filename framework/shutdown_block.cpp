#include "framework/shutdown_block.h"

namespace {

template <class Function>
Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

CShutdownBlock::CShutdownBlock(HWND window, const wchar_t* reason) : m_window(window)
{
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (auto create = User32Function<Create>("ShutdownBlockReasonCreate")) m_active = window && create(window, reason);
}

CShutdownBlock::~CShutdownBlock()
{
    using Destroy = BOOL(WINAPI*)(HWND);
    if (!m_active) return;
    if (auto destroy = User32Function<Destroy>("ShutdownBlockReasonDestroy")) destroy(m_window);
}
