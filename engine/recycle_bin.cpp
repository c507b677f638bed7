#include "engine/recycle_bin.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdlib>
#include <string>
#include "framework/platform_quirks.h"

namespace {

// Wine keeps its bin in the freedesktop.org trash of the (sandboxed) home folder.
std::string WineTrashFolder()
{
    char value[1024];
    DWORD n = GetEnvironmentVariableA("XDG_DATA_HOME", value, sizeof value);
    std::string unixPath;
    if (n && n < sizeof value && value[0] == '/') {
        unixPath = std::string(value) + "/Trash";
    } else {
        n = GetEnvironmentVariableA("WINEHOMEDIR", value, sizeof value);  // "\??\unix\home\user"
        if (!n || n >= sizeof value || strncmp(value, "\\??\\unix", 8) != 0) return {};
        unixPath = std::string(value + 8) + "/.local/share/Trash";
    }
    for (char& c : unixPath) if (c == '/') c = '\\';
    return "\\\\?\\unix" + unixPath;
}

// Removes a trashed folder; links inside are left, since Wine cannot remove a link by itself.
void RemoveTrashedTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTrashedTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Wine's SHEmptyRecycleBinA removes trashed files but leaves trashed folders, and still reports
// success. Remove what it left, so that an emptied bin is empty.
void RemoveFoldersWineLeft()
{
    const std::string trash = WineTrashFolder();
    if (trash.empty()) return;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((trash + "\\files\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == ".." || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        RemoveTrashedTree(trash + "\\files\\" + name);
        DeleteFileA((trash + "\\info\\" + name + ".trashinfo").c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

}  // namespace

bool QueryAllRecycleBins(RecycleBinContents& contents)
{
    SHQUERYRBINFO info{};
    info.cbSize = 20;  // the record's packed size on every Windows
    if (FAILED(SHQueryRecycleBinA(nullptr, &info))) {
        info.cbSize = sizeof info;
        if (FAILED(SHQueryRecycleBinA(nullptr, &info))) return false;
    }
    contents.items = info.i64NumItems;
    contents.bytes = info.i64Size;
    return true;
}

bool EmptyAllRecycleBins()
{
    const HRESULT result = SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    if (FAILED(result)) return false;
    if (Platform::RunningOnWine()) RemoveFoldersWineLeft();
    return true;
}
