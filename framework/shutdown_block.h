#pragma once
#include <windows.h>

// While it lives, Windows shows why this window holds up the end of the session, rather than ending
// a long sweep without a word a few seconds after it asked. The functions are looked up at run
// time, so that the program still starts where they are missing.
class CShutdownBlock {
public:
    CShutdownBlock(HWND window, const wchar_t* reason);
    ~CShutdownBlock();
    CShutdownBlock(const CShutdownBlock&) = delete;
    CShutdownBlock& operator=(const CShutdownBlock&) = delete;

private:
    HWND m_window;
    bool m_active = false;
};
