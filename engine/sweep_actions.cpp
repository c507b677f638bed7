#include "engine/sweep_actions.h"
#include "framework/system_state.h"
#include "framework/trace.h"
#include <atomic>
#include <shellapi.h>
#include <shlwapi.h>
#include "engine/file_removal.h"
#include "engine/recycle_bin.h"
#include "engine/sweep_log.h"
#include "engine/cache_entry_removal.h"
#include "framework/file.h"
#include "framework/key_security.h"
#include "framework/registry_key.h"
#include "framework/sqlite_database.h"

namespace {
SweepActions g_realActions;
std::atomic<SweepActions*> g_actions{&g_realActions};
}  // namespace

SweepActions& Actions() { return *g_actions; }

SweepActions* InstallActions(SweepActions* actions)
{
    return g_actions.exchange(actions ? actions : &g_realActions);
}

void SweepActions::RemoveFile(WalkEntry& file, bool shred) { RemoveOpenFile(file, shred); }

std::wstring SweepActions::ReleaseFile(WalkEntry& file, bool shred) { return ReleaseOpenFile(file, shred); }

bool SweepActions::FileGone(const CEntryHandle& folder, const std::wstring& name, bool listed)
{
    return NameGone(folder, name, listed);
}

bool SweepActions::RemoveFolder(WalkEntry& folder) { return RemoveOpenFolder(folder); }

bool SweepActions::ReleaseFolder(WalkEntry& folder) { return ReleaseOpenFolder(folder); }

bool SweepActions::RemoveAtReboot(const std::string& path) { return FileSystem::ScheduleRemoval(path); }

bool SweepActions::ClearReadOnly(WalkEntry& file) { return ClearOpenReadOnly(file); }

int SweepActions::WipeIndexFile(WalkEntry& file) { return WipeOpenIndexFile(file); }

bool SweepActions::DeleteValue(HKEY key, const char* name) { return RegDeleteValueA(key, name) == ERROR_SUCCESS; }

bool SweepActions::SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool SweepActions::SetKeySecurity(HKEY root, const std::string& path, PSECURITY_DESCRIPTOR descriptor,
                                  bool recursive)
{
    return KeySecurity::Apply(root, path, descriptor, recursive);
}

bool SweepActions::DeleteKeyTree(HKEY key, const char* name) { return DeleteKeyTreeWithoutLinks(key, name); }

bool SweepActions::EmptyRecycleBin(std::optional<RecycleBinContents>& emptied)
{
    RecycleBinContents before, after;
    const bool known = QueryAllRecycleBins(before);
    if (!EmptyAllRecycleBins()) return false;
    if (known && QueryAllRecycleBins(after))
        emptied = RecycleBinContents{before.items - after.items, before.bytes - after.bytes};
    return true;
}

bool SweepActions::FlushDnsCache() { return FlushResolverCache(); }

bool SweepActions::DeleteCookieRows(CSqliteDatabase& db, const std::string&, const char* table, const char* column, const char* keep)
{
    // A cache that holds the whole table and its index: with the default one, pages spill to the
    // file in the middle of the delete, and under the journal that costs a sync each time.
    const std::string remove = std::string("PRAGMA cache_size = -65536; PRAGMA secure_delete = ON; DELETE FROM \"") + table + "\" WHERE NOT " +
                               keep + "(\"" + column + "\"); COMMIT";
    if (!db.Execute(remove.c_str())) return false;
    // The rows are gone; compacting only takes the pages they left, and a browser that started
    // meanwhile may refuse it.
    if (!db.Execute("VACUUM; PRAGMA wal_checkpoint(TRUNCATE)")) TraceMessage("Not compacted: %s\n", db.Error().c_str());
    return true;
}

bool SweepActions::EmptyClipboard() { return ClipboardHoldsContent() && EmptyClipboardContent(); }

bool SweepActions::ShredFile(WalkEntry& file) { return ShredOpenFile(file); }

bool SweepActions::DeleteCacheEntry(const UrlCacheEntry& entry, const char* kind, const std::string& leftover)
{
    const bool gone = DeleteOrEmptyCacheEntry(entry, kind);
    // Under Wine a deleted entry whose file was open leaves that file behind.
    if (gone && !leftover.empty() && FileSystem::Exists(leftover)) {
        try {
            RemoveOneFile(leftover, false);
        } catch (const CFileException&) {
            TraceMessage("Cannot remove the file of a deleted cache entry: %s\n", leftover.c_str());
        }
    }
    return gone;
}
