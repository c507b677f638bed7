#pragma once
#include <string>
#include <utility>
#include <vector>

// Cookie databases as the browsers write them, made with SQLite itself: Chromium's "cookies" table
// (rollback journal) or Firefox's "moz_cookies" (WAL), one row per (host, value).
using CookieRows = std::vector<std::pair<std::string, std::string>>;
bool PlantCookieDatabase(const std::string& path, bool chromium, const CookieRows& rows);
// Firefox's, as a running Firefox leaves it: the rows after the first `inFile` only in its WAL (with
// the wal-index beside it).
bool PlantCookieDatabaseWithWal(const std::string& path, const CookieRows& rows, size_t inFile);

// Databases no browser writes, every row readable in them: Chromium's with a trigger that copies each
// deleted row into another table, "cookies" as a view (whose deletion does nothing) or as a virtual
// table over another table, or a table without rowid; Firefox's with the copying trigger, its rows
// only in its WAL.
enum class CookieShape { CopyingTrigger, View, VirtualTable, WithoutRowid, FirefoxCopyingTrigger };
bool PlantStrangeCookieDatabase(const std::string& path, CookieShape shape, const CookieRows& rows);
