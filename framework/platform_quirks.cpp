#include "framework/platform_quirks.h"
#include <windows.h>
#include <winternl.h>
#include <vector>

namespace Platform {

bool RunningOnWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool RemovesFolderLinkAlone() { return !RunningOnWine(); }

bool LongFinalPath(HANDLE handle, std::wstring& path)
{
    if (!RunningOnWine()) return false;
    using QueryObject = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    if (!query) return false;
    constexpr auto kObjectNameInformation = static_cast<OBJECT_INFORMATION_CLASS>(1);
    std::vector<BYTE> buffer(sizeof(UNICODE_STRING) + 65536);
    ULONG size = 0;
    if (query(handle, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0)
        return false;
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    path.assign(name->Buffer, name->Length / sizeof(wchar_t));
    if (path.rfind(L"\\??\\", 0) != 0) return false;
    path[1] = L'\\';
    return true;
}

}  // namespace Platform
