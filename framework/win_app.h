#pragma once
#include <windows.h>

// The application object: start-up, the message loop while start-up asks for it, and the exit.
class CWinApp {
public:
    virtual ~CWinApp() = default;
    // Runs InitInstance, then the message loop when it returned true, then ExitInstance.
    int Run();

protected:
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return m_exitCode; }

    int m_exitCode = 0;
};
