#include <windows.h>
#include <optional>
#include <string>
#include <vector>
#include "cleaners/application_cleaners.h"
#include "cleaners/browser_profile.h"
#include "cleaners/web_views.h"
#include "engine/folder_search.h"
#include "engine/profile_walk.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"

// The web caches of packaged apps and of the web views programs embed (the new Outlook, Teams,
// widgets). Only caches: the cookies, storage and sign-ins beside them keep the user signed in.

namespace {

constexpr int kStatus = kStatusApplications;
const char* const kPackageCaches[] = {"AC\\INetCache", "AC\\INetHistory"};
const char* const kWebViewCaches[] = {"Cache", "Code Cache", "GPUCache", "Service Worker\\CacheStorage"};
constexpr unsigned kWebViewLevels = 6;

// "Packages\<package>\LocalCache": a package's own programs keep their web views below it.
bool IsPackageLocalCache(const std::string& relative)
{
    const size_t first = relative.find('\\');
    const size_t last = relative.rfind('\\');
    return first != std::string::npos && last != first && relative.find('\\', first + 1) == last &&
           lstrcmpiA(relative.substr(0, first).c_str(), "Packages") == 0 &&
           lstrcmpiA(relative.substr(last + 1).c_str(), "LocalCache") == 0;
}

// The files at every level below a cache folder; the folders stay.
void RemoveCacheFiles(const ReachedEntry& folder, int* counter, float* kb)
{
    try {
        CSweepFinder(folder.AsFolder(), "*.*", true).RemoveFilesBelow(kStatus, counter, kb);
    } catch (const std::exception&) {
        // This folder ends; the next one is still cleaned.
    }
}

template <size_t N>
void RemoveCaches(const ReachedEntry& folder, const char* const (&caches)[N], int* counter, float* kb)
{
    for (const char* relative : caches)
        if (const std::optional<ReachedEntry> cache = Reach(folder, relative); cache && cache->IsFolder())
            RemoveCacheFiles(*cache, counter, kb);
}

void CleanPackages(const ReachedEntry& local, int* counter, float* kb)
{
    const std::optional<ReachedEntry> packages = Reach(local, "Packages");
    if (!packages || !packages->IsFolder()) return;
    ForEachEntry(*packages, "*", [&](ReachedEntry& package) {
        if (package.IsFolder()) RemoveCaches(package, kPackageCaches, counter, kb);
    });
}

// Each profile of a web view's folder ("Default", or a folder with Preferences) loses its caches.
void CleanWebViews(const ReachedEntry& local, int* counter, float* kb)
{
    for (const ReachedEntry& webView : FindWebViews(local)) {
        LogLine(FormatLine("  Clean up web view: %s.\n", webView.path.c_str()).c_str(), kStatusLogOnly);
        ForEachEntry(webView, "*", [&](ReachedEntry& profile) {
            if (IsChromeProfile(profile)) RemoveCaches(profile, kWebViewCaches, counter, kb);
        });
    }
}

}  // namespace

std::vector<ReachedEntry> FindWebViews(const ReachedEntry& local)
{
    return SearchFolders(local, {"EBWebView", kWebViewLevels, IsPackageLocalCache});
}

void CleanAppWebCaches(int* counter, float* kb)
{
    LogLine("Start clean up app web caches.\n", kStatusLogOnly);
    try {
        const std::optional<std::string> path = ShellFolderPath("Local AppData");
        const std::optional<ReachedEntry> local = path ? StartFolder(*path) : std::nullopt;
        if (!local) return;
        CleanPackages(*local, counter, kb);
        CleanWebViews(*local, counter, kb);
    } catch (const std::exception&) {
        // The walk ends; the category goes on.
    }
}
