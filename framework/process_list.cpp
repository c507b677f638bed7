#include "framework/process_list.h"
#include <windows.h>
#include <tlhelp32.h>

namespace {

struct SnapshotCloser {
    HANDLE handle;
    ~SnapshotCloser()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

}  // namespace

bool ProcessRunning(const char* imageName)
{
    const SnapshotCloser snapshot{CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};
    if (snapshot.handle == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.handle, &entry); more; more = Process32Next(snapshot.handle, &entry))
        if (lstrcmpiA(entry.szExeFile, imageName) == 0) return true;
    return false;
}
