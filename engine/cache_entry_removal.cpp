#include "engine/cache_entry_removal.h"
#include "framework/file.h"
#include "framework/trace.h"

bool DeleteOrEmptyCacheEntry(const UrlCacheEntry& entry, const char* kind)
{
    if (UrlCache::DeleteEntry(entry.url)) {
        TraceMessage("Delete This Cache Successfully.\n");
        return true;
    }
    TraceMessage("Cannot Delete This Cache.\n");
    std::string file;
    if (!UrlCache::CreateEntry(entry.url, kind, file)) {
        TraceMessage("Cannot Create Cache Again.\n");
        return false;
    }
    if (UrlCache::DeleteEntry(entry.url)) return true;
    TraceMessage("Cannot Delete This Cache Again.\n");
    {
        CFileHandle empty(file, GENERIC_ALL | DELETE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
        TraceMessage(empty ? "Generate A File.\n" : "Cannot Generate File.\n");
    }
    const bool emptied = UrlCache::CommitEntry(entry.url, file, entry);
    if (!emptied) TraceMessage("Cannot Commit This New Cache.\n");
    if (UrlCache::DeleteEntry(entry.url)) return true;
    TraceMessage("Cannot Delete This Cache Again.\n");
    return emptied;
}
