#pragma once
#include <optional>
#include <span>
#include <string>
#include "engine/profile_walk.h"

// What a browser profile holds that a sweep takes, and how one profile is cleaned; the browsers'
// walks find the profiles.

// What a row takes: one file, the files directly in a folder, or the files at every level below a
// folder. Every folder stays.
enum class Take { File, Files, FilesBelow };

// What friendly sites change of a row: a cookie database loses only the other sites' rows, its
// journal is the database's own business then, and a store every site shares stays whole.
enum class Friendly { Ignores, ChromiumCookies, FirefoxCookies, CookieJournal, SharedStore };

struct ProfileRow {
    const char* path;  // below the profile folder
    Take take;
    bool password = false;  // a saved-password store: taken only with "Auto-Complete Password" ticked
    Friendly friendly = Friendly::Ignores;
};

struct CookieTable;
// The table of a cookie database row; null for any other row.
const CookieTable* CookieTableOf(const ProfileRow& row);

extern const std::span<const ProfileRow> kFirefoxOldRows;
extern const std::span<const ProfileRow> kFirefoxRows;
extern const std::span<const ProfileRow> kChromeRows;
extern const std::span<const ProfileRow> kChromiumSharedRows;  // beside the profiles, in "User Data"

// The folder a value of the user's shell folders names, expanded; none when it is missing, not a
// text, or does not fit.
std::optional<std::string> ShellFolderPath(const char* value);
void RemoveFolderFiles(const ReachedEntry& folder, Take take, int* counter, float* kb);
// A file row takes only a file and a folder row only a folder; a password row only with the box.
void CleanProfile(const ReachedEntry& profile, std::span<const ProfileRow> rows, int* counter, float* kb);
// "Default", or a folder that holds a Preferences file.
bool IsChromeProfile(const ReachedEntry& folder);
// A Chromium profile: its rows, its history files and its IndexedDB origins.
void CleanChromiumProfile(const ReachedEntry& profile, int* counter, float* kb);
