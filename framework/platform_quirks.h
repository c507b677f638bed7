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
// Whether an open entry is still the one at `path` (as the system resolves paths), reached without a
// link. Windows removes, renames and writes through the handle itself, so there it is always true.
// Wine resolves a handle's name again whenever it is asked, and carries out a deletion or rename by
// that path: a name swapped for a link after the open would make the checked name lead elsewhere,
// or the handle be another file than the name. So, under Wine, the handle must name `path`, and
// `path`, opened afresh, must give the same entry under the same resolved path.
bool NameStillLeadsTo(HANDLE entry, const std::string& path);
// Renames an open entry within the folder given by its handle, never replacing another entry.
// Windows takes SetFileInformationByHandle's FileRenameInfo with the folder as its root; Wine's
// turns the name into a path of its current folder first, so there the same record goes to
// NtSetInformationFile itself.
bool RenameInFolder(HANDLE entry, HANDLE folder, const std::wstring& name);
}  // namespace Platform
