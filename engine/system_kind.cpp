#include "engine/system_kind.h"

namespace {
int g_systemKind = SystemKind::Other;
}  // namespace

int ClassifySystem(const OSVERSIONINFOA& v, int kind)
{
    switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return SystemKind::Win32s;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (v.dwMajorVersion != 4) return kind;
        if (v.dwMinorVersion == 0) return SystemKind::Windows95;
        if (v.dwMinorVersion == 10) return SystemKind::Windows98;
        if (v.dwMinorVersion == 90) return SystemKind::WindowsMe;
        return kind;
    case VER_PLATFORM_WIN32_NT:
        if (v.dwMajorVersion <= 4) return SystemKind::WindowsNT4;
        if (v.dwMajorVersion == 5 && v.dwMinorVersion == 0) return SystemKind::Windows2000;
        if (v.dwMajorVersion == 5 && v.dwMinorVersion == 1) return SystemKind::WindowsXP;
        return kind;
    default:
        return kind;
    }
}

void DetectSystemKind()
{
    OSVERSIONINFOEXA extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    auto* record = reinterpret_cast<OSVERSIONINFOA*>(&extended);
    if (!GetVersionExA(record)) {
        record->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(record)) {
            g_systemKind = SystemKind::QueryFailed;
            return;
        }
    }
    g_systemKind = ClassifySystem(*record, g_systemKind);
}

int CurrentSystemKind() { return g_systemKind; }
void SetSystemKind(int kind) { g_systemKind = kind; }
