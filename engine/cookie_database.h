#pragma once
#include <span>
#include "engine/profile_walk.h"
#include "settings/friendly_sites.h"

// Where a browser keeps its cookies: a table, its host column, and the columns every version of the
// browser has written in it (Chromium's encrypted_value came only in 2014, Firefox's creationTime
// after its first cookie database).
struct CookieTable {
    const char* table;
    const char* hostColumn;
    std::span<const char* const> columns;
};
inline constexpr const char* kChromiumColumns[] = {"creation_utc", "host_key", "name", "value", "path", "expires_utc"};
inline constexpr const char* kFirefoxColumns[] = {"id", "name", "value", "host", "path", "expiry"};
inline constexpr CookieTable kChromiumCookies{"cookies", "host_key", kChromiumColumns};
inline constexpr CookieTable kFirefoxCookies{"moz_cookies", "host", kFirefoxColumns};

// Why a cookie store stays whole: which sites are friendly is not known.
inline constexpr const char* kFriendlySitesUnknown = "the friendly sites could not be read";

// The hosts of a cookie database, read without changing it; empty when it cannot be read (a browser
// holds it, it is no such database).
std::vector<std::string> CookieHosts(const std::string& path, const CookieTable& table);

// Deletes every cookie of a database a profile walk reached whose host is not a friendly site, and
// leaves what it deleted unreadable (secure delete, then VACUUM). Only the shape a browser writes is
// changed: the cookie table an ordinary rowid table with the browser's columns, and nothing else in
// the file but tables and indexes (no trigger that could keep a deleted row, no view, no virtual
// table). Companion files (journal, WAL) must be plain files the walk admits. Any other database,
// one a program holds and one that is not the file the walk admitted stay whole, each with its
// "Left:" line. The shape is judged on a copy in memory, its journal and WAL applied, before the file
// is opened for writing; a preview counts the rows in that copy.
// The deleted rows are counted as items and the file's shrinkage as kilobytes.
void CleanCookieDatabase(const ReachedEntry& folder, ReachedEntry& file, const CookieTable& table,
                         const FriendlySites& sites, int statusId, int* counter, float* kb);
