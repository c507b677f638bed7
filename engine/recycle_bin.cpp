#include "engine/recycle_bin.h"
#include "engine/sweep_stop.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdlib>
#include <string>
#include <optional>
#include "engine/file_removal.h"
#include "engine/walk_entry.h"
#include "framework/file.h"
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

// A folder of the trash ("files", "info"), admitted like any walked entry: a link is passed over.
std::optional<WalkFolder> TrashFolder(const std::string& name)
{
    const std::string trash = WineTrashFolder();
    const std::optional<WalkFolder> top = trash.empty() ? std::nullopt : OpenWalkTop(trash);
    WalkEntry folder;
    if (!top || !AdmitEntry(*top, ListedByName(name, true), false, folder)) return std::nullopt;
    return folder.AsFolder();
}

bool RemoveTrashedEntry(WalkEntry& entry, int depth);

// Removes a trashed folder with the walks' own rules: links and names that lead elsewhere stay
// (Wine would remove what a link points at), so a folder holding one stays too.
bool RemoveTrashedTree(WalkEntry& folder, int depth)
{
    if (depth >= kMaxDepth) return false;
    const WalkFolder walked = folder.AsFolder();
    for (const ListedEntry& listed : ListWalkFolder(walked)) {
        StopIfRequested();
        WalkEntry entry;
        if (!listed.IsReparsePoint() && AdmitEntry(walked, listed, false, entry)) RemoveTrashedEntry(entry, depth + 1);
    }
    return RemoveOpenFolder(folder);
}

// One admitted entry of the bin: a file, or a folder with what it holds.
bool RemoveTrashedEntry(WalkEntry& entry, int depth)
{
    if (entry.IsFolder()) return RemoveTrashedTree(entry, depth);
    ClearOpenReadOnly(entry);
    try {
        RemoveOpenFile(entry, false);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

// Wine's SHEmptyRecycleBinA leaves trashed folders, reports success, and removes the target of a
// trashed file link. Under Wine the bin is emptied here instead, entry by entry, by the walks' rules;
// each entry's record in "info" goes with it, admitted the same way.
bool EmptyWineTrash()
{
    const std::optional<WalkFolder> files = TrashFolder("files");
    if (!files) return false;
    const std::optional<WalkFolder> info = TrashFolder("info");
    for (const ListedEntry& listed : ListWalkFolder(*files)) {
        StopIfRequested();
        WalkEntry entry, record;
        if (listed.IsReparsePoint() || !AdmitEntry(*files, listed, false, entry) || !RemoveTrashedEntry(entry, 0))
            continue;
        if (info && AdmitEntry(*info, ListedByName(listed.name + ".trashinfo", false), false, record))
            RemoveTrashedEntry(record, 0);
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
    return TrashFolder("files").has_value();
}

bool EmptyAllRecycleBins()
{
    if (Platform::RunningOnWine()) return EmptyWineTrash();
    return SUCCEEDED(SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND));
}
