#include "framework/system_library.h"

HMODULE LoadSystemLibrary(const char* name) { return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

FARPROC SystemProcedure(const char* module, const char* name)
{
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) loaded = LoadSystemLibrary(module);
    return loaded ? GetProcAddress(loaded, name) : nullptr;
}
