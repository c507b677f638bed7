#include "engine/url_cache_sweep.h"
#include "engine/sweep_events.h"
#include "engine/sweep_stop.h"
#include "framework/registry_values.h"
#include "framework/trace.h"
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"

namespace {

constexpr size_t kCacheLineSize = 256;

// The shell's cache folders: an entry's file is only touched when it lies inside one of them.
const int kCacheFolders[] = {CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY};

bool HasDotComponent(const std::string& path)
{
    for (std::string_view step : FileSystem::PathComponents(path))
        if (step == "." || step == "..") return true;
    return false;
}

// The shell's cache folders, each with its final separator; asked once a sweep, not once an entry.
std::vector<std::string> CacheFolders()
{
    std::vector<std::string> folders;
    for (int csidl : kCacheFolders) {
        char folder[MAX_PATH] = {};
        if (SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE) && *folder) folders.push_back(std::string(folder) + "\\");
    }
    return folders;
}

// What an entry's local file is: none on disk (the entry may go), a file inside the cache folders
// reached without a link (admitted into `file`), or anything else, which the cache must never be
// handed: deleting the entry deletes its file by path.
enum class CacheFile { None, Inside, Refused };

CacheFile CheckCacheFile(const UrlCacheEntry& entry, const std::vector<std::string>& cacheFolders, WalkEntry& file)
{
    const std::string& path = entry.localFile;
    if (path.empty()) return CacheFile::None;
    if (HasDotComponent(path) || !AdmitFilePath(path, ShredderOn(), file))
        return FileSystem::Exists(path) ? CacheFile::Refused : CacheFile::None;
    for (const std::string& prefix : cacheFolders)
        if (path.size() > prefix.size() && FileSystem::SamePath(path.substr(0, prefix.size()), prefix))
            return CacheFile::Inside;
    TraceMessage("The file of cache entry %s lies outside the cache: %s\n", entry.url.c_str(), path.c_str());
    return CacheFile::Refused;
}

// A line of the cache keeps its old limit: an entry whose line would not fit in 256 bytes is
// named by its group alone.
void LogEntry(const char* label, const UrlCacheEntry& entry, float size, int statusId, int* counter)
{
    const double kb = static_cast<double>(size);
    std::string line;
    int item = 0;
    if (counter) {
        item = ++*counter;
        line = FormatLine("Item %d, %s: delete %s-%s:%f(KB)\n", item, label, entry.url.c_str(), entry.localFile.c_str(), kb);
        if (line.size() >= kCacheLineSize)
            line = FormatLine("Item %d, %s: a cache its name is longer than 256.\n", item, label);
    } else {
        line = FormatLine("%s: delete %s-%s:%f(KB)\n", label, entry.url.c_str(), entry.localFile.c_str(), kb);
        if (line.size() >= kCacheLineSize) line = FormatLine("%s: a cache its name is longer than 256.\n", label);
    }
    LogLine(line.c_str(), statusId);
    SweepEvent event;
    event.type = SweepEvent::Type::Item;
    event.statusId = statusId;
    event.item = item;
    event.action = "delete-cache-entry";
    event.target = entry.url;
    event.kb = kb;
    EmitSweepEvent(event);
}

void SweepEntries(const FriendlyCookieList* friendly, DWORD filter, const char* kind, const char* label, int statusId,
                  int* counter, float* kb)
{
    LogLine(FormatLine("  Clean up : %s.\n", label).c_str(), kStatusLogOnly);
    const std::vector<std::string> cacheFolders = CacheFolders();
    CUrlCacheFind find(filter);
    UrlCacheEntry entry;
    while (find.Next(entry)) {
        StopIfRequested();
        if (Actions().CacheEntryTaken(entry.url)) continue;
        if (friendly && !entry.localFile.empty() &&
            std::any_of(friendly->begin(), friendly->end(),
                        [&](const FriendlyCookie& c) { return FileSystem::SameWindowsPath(c.Fl, entry.localFile); }))
            continue;
        WalkEntry file;
        const CacheFile check = CheckCacheFile(entry, cacheFolders, file);
        if (check == CacheFile::Refused) {
            TraceMessage("Passed over cache entry %s: its file is a link or lies elsewhere.\n", entry.url.c_str());
            continue;
        }
        unsigned long long bytes = 0;
        DWORD links = 0;
        const bool inside = check == CacheFile::Inside && file.handle->Size(bytes, links);
        const float size = inside ? BytesToKB(bytes) : 0.0f;
        if (ShredderOn() && inside && file.handle->HasOneName()) Actions().ShredFile(file);
        file.handle.reset();  // the cache deletes the file itself
        // Counted only when swept: the entry is gone, or its content was emptied.
        if (!Actions().DeleteCacheEntry(entry, kind, inside ? file.path : std::string())) continue;
        LogEntry(label, entry, size, statusId, counter);
        if (kb) *kb += size;
    }
    if (!find.Started())
        TraceMessage("Error in FindFirst %lu\n", find.LastError());
    else if (find.LastError() == ERROR_NO_MORE_ITEMS)
        TraceMessage("Error in FindNext %lu No More.\n", find.LastError());
    else
        TraceMessage("Error in FindNext %lu default.\n", find.LastError());
}

}  // namespace

void SweepUrlCache(DWORD filter, const char* kind, const char* label, int statusId, int* counter, float* kb)
{
    SweepEntries(nullptr, filter, kind, label, statusId, counter, kb);
}

std::string CookieEntryHost(const std::string& url)
{
    constexpr std::string_view kPrefix = "Cookie:";
    if (url.size() <= kPrefix.size() || lstrcmpiA(url.substr(0, kPrefix.size()).c_str(), "Cookie:") != 0) return {};
    const size_t at = url.find('@', kPrefix.size());
    const size_t start = at == std::string::npos ? kPrefix.size() : at + 1;
    return url.substr(start, url.find('/', start) - start);
}

FriendlyCookieList FriendlySiteCookies(const FriendlySites& sites)
{
    FriendlyCookieList kept;
    if (sites.empty()) return kept;
    CUrlCacheFind find(kCookieEntries);
    UrlCacheEntry entry;
    while (find.Next(entry))
        if (!entry.localFile.empty() && IsFriendlyHost(CookieEntryHost(entry.url), sites))
            kept.push_back({entry.url, entry.localFile});
    return kept;
}

void SweepCookieCache(const FriendlyCookieList& friendly, DWORD filter, const char* kind, const char* label,
                      int statusId, int* counter, float* kb)
{
    SweepEntries(&friendly, filter, kind, label, statusId, counter, kb);
}

namespace {

PathPairs KeepList(const FriendlyCookieList& friendly)
{
    PathPairs keep;
    for (const FriendlyCookie& cookie : friendly)
        if (!cookie.Fl.empty()) keep.emplace_back(cookie.Url, cookie.Fl);
    return keep;
}

void Collect(const std::string& pattern, PathPairs& list)
{
    try {
        PathPairs found;
        CSweepFinder finder(pattern, false);
        finder.CollectFiles(found);
        list.insert(list.end(), found.begin(), found.end());
    } catch (const std::exception&) {
        // The next folder is still tried.
    }
}

}  // namespace

void CleanRegCookieDir(const FriendlyCookieList& friendly, CRegistryKey& key, const char* valueName, int statusId,
                       int* counter, float* kb, const std::string* skipPath)
{
    const std::string folder = ReadPathValue(key, valueName);
    if (folder.empty()) return;
    const std::string pattern = folder + "\\*.*";
    if (skipPath && *skipPath == pattern) return;
    try {
        CSweepFinder finder(pattern, false);
        finder.RemoveFilesExcept(KeepList(friendly), statusId, counter, kb);
    } catch (const std::exception&) {
        // The operation ends.
    }
}

void ListCookieFiles(PathPairs& list)
{
    list.clear();
    char folder[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COOKIES, FALSE) && *folder) {
        Collect(std::string(folder) + "\\*.*", list);
        return;
    }
    CRegistryKey base(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion");
    if (!base.Handle()) return;
    std::string first;
    for (const char* keyPath : {"Explorer\\User Shell Folders", "Explorer\\Shell Folders"}) {
        CRegistryKey key(base.OpenSubKey(keyPath));
        const std::string expanded = key.Handle() ? ReadPathValue(key, "Cookies") : std::string();
        if (expanded.empty() || expanded == first) continue;
        if (first.empty()) first = expanded;
        Collect(expanded + "\\*.*", list);
    }
}
