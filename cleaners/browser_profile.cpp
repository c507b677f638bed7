#include "cleaners/browser_profile.h"
#include <windows.h>
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "framework/registry_key.h"
#include "framework/registry_values.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

namespace {

constexpr int kStatus = kStatusInternet;

const ProfileRow kFirefoxOldRowTable[] = {
    {"history.dat", Take::File},   {"formhistory.dat", Take::File}, {"cookies.txt", Take::File},
    {"downloads.rdf", Take::File}, {"cert8.db", Take::File},        {"key3.db", Take::File, true},
    {"localstore.rdf", Take::File}, {"Cache", Take::Files},
};

const ProfileRow kFirefoxRowTable[] = {
    {"history.dat", Take::File},
    {"formhistory.sqlite", Take::File},
    {"cookies.sqlite", Take::File},
    {"signons.sqlite", Take::File, true},
    {"downloads.sqlite", Take::File},
    {"formhistory.dat", Take::File},
    {"cert8.db", Take::File},
    {"key3.db", Take::File, true},
    {"localstore.rdf", Take::File},
    {"webappsstore.sqlite", Take::File},
    {"search.sqlite", Take::File},
    {"places.sqlite", Take::File},
    {"places.sqlite-journal", Take::File},
    {"Cache", Take::Files},
    // The same lists in the files today's Firefox writes.
    {"logins.json", Take::File, true},
    {"key4.db", Take::File, true},
    {"cert9.db", Take::File},
    {"places.sqlite-wal", Take::File},
    {"cookies.sqlite-wal", Take::File},
    {"formhistory.sqlite-wal", Take::File},
    {"sessionstore.jsonlz4", Take::File},
    {"sessionstore-backups", Take::Files},
    {"cache2", Take::FilesBelow},
    {"startupCache", Take::FilesBelow},
};

const ProfileRow kChromeRowTable[] = {
    {"Last Session", Take::File},
    {"Cookies", Take::File},
    {"Login Data", Take::File, true},
    {"Login Data-journal", Take::File, true},
    {"Login Data For Account", Take::File, true},
    {"Login Data For Account-journal", Take::File, true},
    {"Archived History", Take::File},
    {"Visited Links", Take::File},
    {"Extension Cookies", Take::File},
    {"Web Data", Take::File},
    {"Cache", Take::Files},
    {"Local Storage", Take::Files},
    // The same lists where today's Chrome keeps them.
    {"Network\\Cookies", Take::File},
    {"Network\\Cookies-journal", Take::File},
    {"Cache\\Cache_Data", Take::Files},
    {"Code Cache", Take::FilesBelow},
    {"GPUCache", Take::Files},
    {"Local Storage\\leveldb", Take::Files},
    {"Sessions", Take::Files},
    {"Top Sites", Take::File},
    {"Top Sites-journal", Take::File},
    {"Shortcuts", Take::File},
    {"Shortcuts-journal", Take::File},
    {"Network Action Predictor", Take::File},
    {"Network Action Predictor-journal", Take::File},
    {"Favicons", Take::File},
    {"Favicons-journal", Take::File},
    {"Session Storage", Take::Files},
    {"Service Worker\\CacheStorage", Take::FilesBelow},
    {"Service Worker\\ScriptCache", Take::FilesBelow},
};

// Shared by every profile of a Chromium browser, beside them in "User Data".
const ProfileRow kChromiumSharedRowTable[] = {
    {"ShaderCache", Take::FilesBelow},
    {"GrShaderCache", Take::FilesBelow},
    {"GraphiteDawnCache", Take::FilesBelow},
};

bool IsChromeListedFile(const std::string& name)
{
    for (const ProfileRow& row : kChromeRowTable)
        if (row.take == Take::File && lstrcmpiA(row.path, name.c_str()) == 0) return true;
    return false;
}

// The history database, its journal and its index files all begin with "History"; the pattern is
// walked once, since a second walk would count again what the first left for the restart.
void CleanChromeHistory(const ReachedEntry& profile, int* counter, float* kb)
{
    bool found = false;
    ForEachEntry(profile, "*", [&](ReachedEntry& entry) {
        found = found || (!entry.IsFolder() && !IsChromeListedFile(entry.name) && entry.name.find("History") != std::string::npos);
    });
    if (!found) return;
    CSweepFinder finder(profile.AsFolder(), "History*", true);
    finder.RemoveFiles(kStatus, counter, kb);
}

// The origins of IndexedDB lose their files; the extensions' own stay.
void CleanIndexedDb(const ReachedEntry& profile, int* counter, float* kb)
{
    const std::optional<ReachedEntry> databases = Reach(profile, "IndexedDB");
    if (!databases || !databases->IsFolder()) return;
    ForEachEntry(*databases, "*", [&](ReachedEntry& origin) {
        if (origin.IsFolder() && origin.name.rfind("chrome-extension_", 0) != 0)
            RemoveFolderFiles(origin, Take::FilesBelow, counter, kb);
    });
}

}  // namespace

const std::span<const ProfileRow> kFirefoxOldRows = kFirefoxOldRowTable;
const std::span<const ProfileRow> kFirefoxRows = kFirefoxRowTable;
const std::span<const ProfileRow> kChromeRows = kChromeRowTable;
const std::span<const ProfileRow> kChromiumSharedRows = kChromiumSharedRowTable;

// The folder a value of the user's shell folders names, expanded; none when it is missing, not a
// text, or does not fit.
std::optional<std::string> ShellFolderPath(const char* value)
{
    CRegistryKey base(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion");
    if (!base.Handle()) return std::nullopt;
    CRegistryKey folders(base.OpenSubKey("Explorer\\User Shell Folders"));
    std::string path = ReadPathValue(folders, value);
    if (path.empty()) return std::nullopt;
    return path;
}

void RemoveFolderFiles(const ReachedEntry& folder, Take take, int* counter, float* kb)
{
    try {
        CSweepFinder finder(folder.AsFolder(), "*.*", true);
        if (take == Take::Files)
            finder.RemoveFiles(kStatus, counter, kb);
        else
            finder.RemoveFilesBelow(kStatus, counter, kb);
    } catch (const std::exception&) {
        // A failed walk ends this folder only; the profile goes on.
    }
}

// A file row takes only a file and a folder row only a folder: a folder named "cookies.sqlite" and a
// file named "Cache" stay.
void CleanProfile(const ReachedEntry& profile, std::span<const ProfileRow> rows, int* counter, float* kb)
{
    const bool passwords = g_internetSettings.Targets & InternetBit::Passwords;
    for (const ProfileRow& row : rows) {
        if (row.password && !passwords) continue;
        std::optional<ReachedEntry> entry = Reach(profile, row.path);
        if (!entry || entry->IsFolder() != (row.take != Take::File)) continue;
        if (row.take == Take::File)
            RemoveProfileFile(*entry, kStatus, counter, kb);
        else
            RemoveFolderFiles(*entry, row.take, counter, kb);
    }
}

bool IsChromeProfile(const ReachedEntry& folder)
{
    if (!folder.IsFolder()) return false;
    if (lstrcmpiA(folder.name.c_str(), "Default") == 0) return true;
    const std::optional<ReachedEntry> preferences = Reach(folder, "Preferences");
    return preferences && !preferences->IsFolder();
}

void CleanChromiumProfile(const ReachedEntry& profile, int* counter, float* kb)
{
    CleanProfile(profile, kChromeRows, counter, kb);
    CleanChromeHistory(profile, counter, kb);
    CleanIndexedDb(profile, counter, kb);
}
