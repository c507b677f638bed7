#pragma once
#include <windows.h>

// DLLs loaded at run time come from the system folder only: never from the program's folder or the
// current one, where a planted copy would run in our place. They stay loaded for the process's life.
HMODULE LoadSystemLibrary(const char* name);

// A function of a system DLL (already in the process, or loaded from the system folder); null when
// the DLL or the function is missing, as on an older Windows or under Wine.
FARPROC SystemProcedure(const char* module, const char* name);

template <class Function>
Function SystemFunction(const char* module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProcedure(module, name)));
}
