#pragma once
#include <windows.h>
#include <string>

// Where Wine behaves differently from Windows in a way that matters to a cleaner. Each answer is the
// Windows behaviour unless the process runs under Wine.
namespace Platform {
bool RunningOnWine();
// Windows' RemoveDirectoryA on a junction or folder symlink removes the link alone. Wine's removes
// the target folder when it is empty and keeps the link, so there links are left in place.
bool RemovesFolderLinkAlone();
// Wine's GetFinalPathNameByHandleW fails for paths past MAX_PATH, whatever the buffer. Under Wine this
// reads the object name it is made from instead ("\??\C:\..." as "\\?\C:\..."); elsewhere false.
bool LongFinalPath(HANDLE handle, std::wstring& path);
// Renames an open entry within the folder given by its handle, never replacing another entry.
// Windows takes SetFileInformationByHandle's FileRenameInfo with the folder as its root; Wine's
// turns the name into a path of its current folder first, so there the same record goes to
// NtSetInformationFile itself.
bool RenameInFolder(HANDLE entry, HANDLE folder, const std::wstring& name);
}  // namespace Platform
