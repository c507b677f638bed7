#include "framework/platform_quirks.h"
#include <windows.h>

namespace Platform {

bool RunningOnWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool RemovesFolderLinkAlone() { return !RunningOnWine(); }

}  // namespace Platform
