#include "engine/url_cache_sweep.h"
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"

namespace {

constexpr int kCacheLineSize = 256;

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

// The entry's local file when it is a file inside the cache folders, reached without a link; empty
// otherwise (no file, a file elsewhere, a link).
std::string CacheFileOf(const UrlCacheEntry& entry, const std::vector<std::string>& cacheFolders)
{
    const std::string& file = entry.localFile;
    if (file.empty() || HasDotComponent(file)) return {};
    FileIdentity identity;
    if (!FileSystem::Identify(file, identity, false) || (identity.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !FileSystem::SamePath(identity.finalPath, file))
        return {};
    for (const std::string& prefix : cacheFolders)
        if (file.size() > prefix.size() && FileSystem::SamePath(file.substr(0, prefix.size()), prefix)) return file;
    TraceMessage("The file of cache entry %s lies outside the cache: %s\n", entry.url.c_str(), file.c_str());
    return {};
}

void LogEntry(const char* label, const UrlCacheEntry& entry, float size, int statusId, int* counter)
{
    char line[kCacheLineSize];
    int n;
    if (counter) {
        n = snprintf(line, sizeof line, "Item %d, %s: delete %s-%s:%f(KB)\n", ++*counter, label, entry.url.c_str(),
                     entry.localFile.c_str(), static_cast<double>(size));
        if (n < 0 || n >= kCacheLineSize)
            snprintf(line, sizeof line, "Item %d, %s: a cache its name is longer than 256.\n", *counter, label);
    } else {
        n = snprintf(line, sizeof line, "%s: delete %s-%s:%f(KB)\n", label, entry.url.c_str(), entry.localFile.c_str(),
                     static_cast<double>(size));
        if (n < 0 || n >= kCacheLineSize) snprintf(line, sizeof line, "%s: a cache its name is longer than 256.\n", label);
    }
    LogLine(line, statusId);
}

void SweepEntries(const FriendlyCookieList* friendly, DWORD filter, const char* kind, const char* label, int statusId,
                  int* counter, float* kb)
{
    char header[kLineBufferSize];
    FormatLogLine(header, sizeof header, "  Clean up : %s.\n", label);
    LogLine(header, kStatusLogOnly);
    const std::vector<std::string> cacheFolders = CacheFolders();
    CUrlCacheFind find(filter);
    UrlCacheEntry entry;
    while (find.Next(entry)) {
        if (Actions().CacheEntryTaken(entry.url)) continue;
        if (friendly && !entry.localFile.empty() &&
            std::any_of(friendly->begin(), friendly->end(), [&](const FriendlyCookie& c) { return c.Fl == entry.localFile; }))
            continue;
        const std::string file = CacheFileOf(entry, cacheFolders);
        const float size = file.empty() ? 0.0f : GetFileSizeKB(file);
        if (ShredderOn() && !file.empty() && FileSystem::LinkCount(file) == 1) Actions().ShredFile(file);
        // Counted only when swept: the entry is gone, or its content was emptied.
        if (!Actions().DeleteCacheEntry(entry, kind, file)) continue;
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

void SweepUrlCache(DWORD filter, const char* kind, const char* label, int statusId, int* counter, float* kb)
{
    SweepEntries(nullptr, filter, kind, label, statusId, counter, kb);
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

// A shell-folder value, expanded; empty when it cannot be read or does not fit.
std::string ExpandedValue(CRegistryKey& key, const char* valueName)
{
    char raw[1025] = {};
    DWORD size = 1024, type = REG_NONE;
    if (!key.QueryValue(valueName, raw, &size, &type) || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        TraceMessage("Cannot get value from registry.\n");
        return {};
    }
    raw[std::min<DWORD>(size, 1024)] = '\0';
    char expanded[1024];
    const DWORD n = ExpandEnvironmentStringsA(raw, expanded, sizeof expanded);
    if (n == 0 || n >= sizeof expanded) {
        TraceMessage("Path buffer is not enough.\n");
        return {};
    }
    return expanded;
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
    const std::string folder = ExpandedValue(key, valueName);
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
        const std::string expanded = key.Handle() ? ExpandedValue(key, "Cookies") : std::string();
        if (expanded.empty() || expanded == first) continue;
        if (first.empty()) first = expanded;
        Collect(expanded + "\\*.*", list);
    }
}
