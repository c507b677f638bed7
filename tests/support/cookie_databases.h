#pragma once
#include <string>
#include <utility>
#include <vector>

// Cookie databases as the browsers write them, made with SQLite itself: Chromium's "cookies" table
// (rollback journal) or Firefox's "moz_cookies" (WAL), one row per (host, value).
using CookieRows = std::vector<std::pair<std::string, std::string>>;
bool PlantCookieDatabase(const std::string& path, bool chromium, const CookieRows& rows);
