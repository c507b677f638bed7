#pragma once
#include <string>
#include <vector>

// The cookie round of the hostile profile: Chromium profiles (Chrome Beta's) whose cookie databases
// hold a trigger that copies every deleted row into another table, "cookies" as a view or a virtual
// table, a table without rowid, and one whose journal is a link to a canary; Firefox profiles (the
// Store build's) with a cookies.sqlite in Chromium's shape and one whose rows are mostly in its WAL;
// an ordinary database of Chrome Beta. The friendly sites are one of three lists.
enum class HostileSites {
    Thousands,  // 3,000 hosts and more, longer than 64 KB, the one that keeps the cookies last
    Binary,     // the list stored as REG_BINARY
    NoHost,     // a REG_MULTI_SZ of entries that are no host
};
void PlantHostileCookies(const std::string& root, HostileSites sites);
// Every cookie database of the round: those of strange shapes stay, and two sweeps at once may each
// find one the other holds.
std::vector<std::string> HostileCookieDatabases(const std::string& root);
// What is wrong after sweeps whose logs are given: a left database changed or without its line, a
// cleaned one that kept another site's cookie or lost a friendly one, the stored list rewritten.
void CheckHostileCookies(const std::string& root, const std::vector<std::string>& logs,
                         std::vector<std::string>& problems);
