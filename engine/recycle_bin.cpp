#include "engine/recycle_bin.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdlib>
#include <string>
#include "engine/walk_entry.h"
#include "framework/file.h"
#include "framework/file_find.h"
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

constexpr int kMaxDepth = 128;

bool RemoveTrashedTree(const std::string& folder, const std::string& finalFolder, int depth);

// One admitted entry of the bin: a file, or a folder with what it holds.
bool RemoveTrashedEntry(const CFileFind& find, const FileIdentity& identity, int depth)
{
    const std::string path = find.GetFilePath();
    if (find.IsDirectory()) return RemoveTrashedTree(path, identity.finalPath, depth + 1);
    FileSystem::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    return FileSystem::RemoveFile(path);
}

// Removes a trashed folder with the walks' own rules: links and names that lead elsewhere stay
// (Wine would remove what a link points at), so a folder holding one stays too.
bool RemoveTrashedTree(const std::string& folder, const std::string& finalFolder, int depth)
{
    CFileFind find;
    for (bool more = depth < kMaxDepth && find.FindFile(folder + "\\*"); more;) {
        more = find.FindNextFile();
        FileIdentity identity;
        if (!find.IsDots() && !find.IsReparsePoint() && AdmitEntry(find, finalFolder, identity))
            RemoveTrashedEntry(find, identity, depth);
    }
    return FileSystem::RemoveFolder(folder);
}

// Wine's SHEmptyRecycleBinA leaves trashed folders, reports success, and removes the target of a
// trashed file link. Under Wine the bin is emptied here instead, entry by entry, by the walks' rules.
bool EmptyWineTrash()
{
    const std::string trash = WineTrashFolder();
    FileIdentity top;
    if (trash.empty() || !FileSystem::Identify(trash + "\\files", top, true)) return false;
    CFileFind find;
    for (bool more = find.FindFile(trash + "\\files\\*"); more;) {
        more = find.FindNextFile();
        FileIdentity identity;
        if (!find.IsDots() && !find.IsReparsePoint() && AdmitEntry(find, top.finalPath, identity) &&
            RemoveTrashedEntry(find, identity, 0))
            FileSystem::RemoveFile(trash + "\\info\\" + find.GetFileName() + ".trashinfo");
    }
    return true;
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

bool RecycleBinsCanBeEmptied()
{
    if (!Platform::RunningOnWine()) {
        RecycleBinContents contents;
        return QueryAllRecycleBins(contents);
    }
    FileIdentity top;
    const std::string trash = WineTrashFolder();
    return !trash.empty() && FileSystem::Identify(trash + "\\files", top, true);
}

bool EmptyAllRecycleBins()
{
    if (Platform::RunningOnWine()) return EmptyWineTrash();
    return SUCCEEDED(SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND));
}
