#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include "engine/recycle_bin.h"
#include "engine/walk_entry.h"
#include "framework/url_cache.h"

class CSqliteDatabase;

// Every change a sweep makes to the machine goes through this one seam: files, folders, registry
// values and keys, the Recycle Bin, the DNS cache and the clipboard. A preview installs its own actions that record instead of remove.
class SweepActions {
public:
    virtual ~SweepActions() = default;
    // A preview's actions change nothing and only tell whether the change would be made.
    virtual bool Previewing() const { return false; }
    // In a preview, what an earlier action took away is still there: later walks pass over it.
    virtual bool FileTaken(const std::string&) const { return false; }
    virtual bool CacheEntryTaken(const std::string&) const { return false; }
    virtual bool ValueTaken(HKEY, const std::string&) const { return false; }
    virtual bool SubKeyTaken(HKEY, const std::string&) const { return false; }
    // Files and folders are changed through the handle their walk checked, never by path again.
    // Removes an admitted file, shredded first when `shred`; its name must be gone afterwards, else
    // it throws CFileException naming the path still there.
    virtual void RemoveFile(WalkEntry& file, bool shred);
    // The same in two steps, so that a walk confirms a whole folder's removals with one listing:
    // the name the file was left under once marked and closed, then whether that name is gone from
    // the folder (`listed`: the folder's listing still showed it).
    virtual std::wstring ReleaseFile(WalkEntry& file, bool shred);
    virtual bool FileGone(const CEntryHandle& folder, const std::wstring& name, bool listed);
    // Removes an emptied folder (or, where the platform removes it alone, a folder link); true only
    // when its name is gone.
    virtual bool RemoveFolder(WalkEntry& folder);
    // The same in two steps: marked and closed (false when it could not be), then FileGone.
    virtual bool ReleaseFolder(WalkEntry& folder);
    // Only a restart removal goes by path: nothing holds the entry until then.
    virtual bool RemoveAtReboot(const std::string& path);
    virtual bool ClearReadOnly(WalkEntry& file);
    virtual int WipeIndexFile(WalkEntry& file);
    virtual bool DeleteValue(HKEY key, const char* name);
    virtual bool SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size);
    // Sets a key's DACL (and its subkeys' when `recursive`): the forms cleaner opens the keys the
    // system closes to the user for their deletion.
    virtual bool SetKeySecurity(HKEY root, const std::string& path, PSECURITY_DESCRIPTOR descriptor, bool recursive);
    // Depth-first, never through a registry link; true when the key is gone.
    virtual bool DeleteKeyTree(HKEY key, const char* name);
    // Empties the Recycle Bins; `emptied` is what went (what was there less what stays), or nothing
    // when the shell cannot tell.
    virtual bool EmptyRecycleBin(std::optional<RecycleBinContents>& emptied);
    // Flushes the DNS resolver cache; true when it was flushed.
    virtual bool FlushDnsCache();
    // Empties the clipboard; true only when it held something and is empty now.
    virtual bool EmptyClipboard();
    // In the exclusive transaction the caller began: deletes the rows of `table` for which the SQL
    // function `keep` of `column` is not 1, with secure delete, commits, then compacts the file so
    // that nothing of them remains in it or its journal. False when the rows did not go.
    virtual bool DeleteCookieRows(CSqliteDatabase& db, const std::string& path, const char* table, const char* column, const char* keep);
    // Overwrites a file's content twice and keeps it; false when it could not be.
    virtual bool ShredFile(WalkEntry& file);
    // Deletes a cache entry; one that will not go is replaced by an entry with an empty file and
    // deleted again. A leftover file (the entry's own, checked inside the cache) is removed once the
    // entry is gone. True when the entry is gone or its content emptied.
    virtual bool DeleteCacheEntry(const UrlCacheEntry& entry, const char* kind, const std::string& leftover);
};

// The actions in force; the real ones unless a caller installed others.
SweepActions& Actions();
// Installs other actions (null: the real ones again) and returns the previous ones.
SweepActions* InstallActions(SweepActions* actions);

// After a removal, an enumeration steps back onto the entry that took the removed one's index; in a
// preview nothing moved, and it goes on to the next.
inline void StepBackAfterRemoval(DWORD& index)
{
    if (!Actions().Previewing()) --index;
}
