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
// Whether an open entry's name still leads to `path` without a link on the way (and, with `sameEntry`,
// whether the handle is the very entry at `path`). Windows removes, renames and writes through the
// handle itself, so there it is always true. Wine resolves a handle's name again whenever it is
// asked, and carries out a deletion or rename by that path: a folder on it swapped for a link after
// the open would lead the deletion elsewhere, and a name swapped while it was opened would make the
// handle another file than the name says. So, under Wine, the handle's name must resolve to `path`
// now; for a write, `path` opened afresh must also give the same entry.
bool NameStillLeadsTo(HANDLE entry, const std::string& path, bool sameEntry);
// Wine carries out a deletion by the handle's path, which NameStillLeadsTo must then compare once the
// entry is marked; Windows removes through the handle.
bool RemovesByPath();
// Renames an open entry within the folder given by its handle, never replacing another entry.
// Windows takes SetFileInformationByHandle's FileRenameInfo with the folder as its root; Wine's
// turns the name into a path of its current folder first, so there the same record goes to
// NtSetInformationFile itself. On failure the last error tells why (ERROR_ALREADY_EXISTS: the name is
// taken).
bool RenameInFolder(HANDLE entry, HANDLE folder, const std::wstring& name);
// Whether a download without an announced length is known to have come whole. Windows' WinHTTP fails
// the read when the connection breaks before a chunked body's last chunk; Wine's ends the body there
// as if it were whole, so under Wine only a body of announced length can be trusted to be all of it.
bool KnowsUnannouncedBodyWhole();
}  // namespace Platform
