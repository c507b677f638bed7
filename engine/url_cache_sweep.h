#pragma once
#include <windows.h>
#include <wininet.h>
#include <string>
#include <vector>
#include "engine/sweep_finder.h"
#include "framework/registry_key.h"
#include "framework/url_cache.h"
#include "settings/friendly_sites.h"
#include "settings/settings_records.h"

// Entry filters of the URL cache walks.
inline constexpr DWORD kContentEntries =
    NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | TRACK_OFFLINE_CACHE_ENTRY | TRACK_ONLINE_CACHE_ENTRY;
inline constexpr DWORD kCookieEntries = kContentEntries | COOKIE_CACHE_ENTRY;
inline constexpr DWORD kHistoryEntries = kContentEntries | URLHISTORY_CACHE_ENTRY;

// Deletes every cache entry the filter admits, each with its line; kind is the extension of a
// replacement entry ("", "Cookie:", "Visited:"), label the group's name in the lines.
void SweepUrlCache(DWORD filter, const char* kind, const char* label, int statusId, int* counter, float* kb);
// The same, keeping the entries whose local file is a friendly cookie's file.
void SweepCookieCache(const FriendlyCookieList& friendly, DWORD filter, const char* kind, const char* label,
                      int statusId, int* counter, float* kb);
// The files of the cookie folder a registry value names, the friendly ones kept.
void CleanRegCookieDir(const FriendlyCookieList& friendly, CRegistryKey& key, const char* valueName, int statusId,
                       int* counter, float* kb, const std::string* skipPath);
// The host of a cookie entry's name ("Cookie:user@mail.example.com/"); empty for another entry.
std::string CookieEntryHost(const std::string& url);
// The cookie entries of friendly sites, as friendly cookies (the entry's name and its file), so that
// the cookie sweeps keep both.
FriendlyCookieList FriendlySiteCookies(const FriendlySites& sites);
// The cookie files there are now, as (name, full path) pairs.
void ListCookieFiles(PathPairs& list);

