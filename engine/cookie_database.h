#pragma once
#include "engine/profile_walk.h"
#include "settings/friendly_sites.h"

// Where a browser keeps its cookies' hosts: a table and its host column.
struct CookieTable {
    const char* table;
    const char* hostColumn;
};
inline constexpr CookieTable kChromiumCookies{"cookies", "host_key"};
inline constexpr CookieTable kFirefoxCookies{"moz_cookies", "host"};

// The hosts of a cookie database, read without changing it; empty when it cannot be read (a browser
// holds it, it is no such database).
std::vector<std::string> CookieHosts(const std::string& path, const CookieTable& table);

// Deletes every cookie of a database a profile walk reached whose host is not a friendly site, and
// leaves what it deleted unreadable (secure delete, then VACUUM). A database a program holds is left
// with one line; one that is not such a database, or is not the file the walk admitted, is left with
// a trace. Companion files (journal, WAL) must be plain files the walk admits, or nothing is touched.
// The deleted rows are counted as items and the file's shrinkage as kilobytes.
void CleanCookieDatabase(const ReachedEntry& folder, ReachedEntry& file, const CookieTable& table,
                         const FriendlySites& sites, int statusId, int* counter, float* kb);
