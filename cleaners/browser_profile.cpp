#include "cleaners/browser_profile.h"
#include <windows.h>
#include "engine/cookie_database.h"
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
    {"cookies.sqlite", Take::File, false, Friendly::FirefoxCookies},
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
    {"cookies.sqlite-wal", Take::File, false, Friendly::CookieJournal},
    {"formhistory.sqlite-wal", Take::File},
    {"sessionstore.jsonlz4", Take::File},
    {"sessionstore-backups", Take::Files},
    {"cache2", Take::FilesBelow},
    {"startupCache", Take::FilesBelow},
};

const ProfileRow kChromeRowTable[] = {
    {"Last Session", Take::File},
    {"Cookies", Take::File, false, Friendly::ChromiumCookies},
    {"Login Data", Take::File, true},
    {"Login Data-journal", Take::File, true},
    {"Login Data For Account", Take::File, true},
    {"Login Data For Account-journal", Take::File, true},
    {"Archived History", Take::File},
    {"Visited Links", Take::File},
    {"Extension Cookies", Take::File},
    {"Web Data", Take::File},
    {"Cache", Take::Files},
    {"Local Storage", Take::Files, false, Friendly::SharedStore},
    // The same lists where today's Chrome keeps them.
    {"Network\\Cookies", Take::File, false, Friendly::ChromiumCookies},
    {"Network\\Cookies-journal", Take::File, false, Friendly::CookieJournal},
    {"Cache\\Cache_Data", Take::Files},
    {"Code Cache", Take::FilesBelow},
    {"GPUCache", Take::Files},
    {"Local Storage\\leveldb", Take::Files, false, Friendly::SharedStore},
    {"Sessions", Take::Files},
    {"Top Sites", Take::File},
    {"Top Sites-journal", Take::File},
    {"Shortcuts", Take::File},
    {"Shortcuts-journal", Take::File},
    {"Network Action Predictor", Take::File},
    {"Network Action Predictor-journal", Take::File},
    {"Favicons", Take::File},
    {"Favicons-journal", Take::File},
    {"Session Storage", Take::Files, false, Friendly::SharedStore},
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

// The host of an IndexedDB origin folder ("https_mail.friend.com_0.indexeddb.leveldb"): between the
// scheme's underscore and the port's.
std::string OriginHost(const std::string& folder)
{
    const size_t scheme = folder.find('_');
    const size_t port = folder.rfind('_');
    return scheme < port ? folder.substr(scheme + 1, port - scheme - 1) : std::string();
}

// The origins of IndexedDB lose their files; the extensions' own and the friendly sites' stay, and
// every one while the friendly sites are unknown.
void CleanIndexedDb(const ReachedEntry& profile, const std::optional<FriendlySites>& sites, int* counter, float* kb)
{
    const std::optional<ReachedEntry> databases = Reach(profile, "IndexedDB");
    if (!databases || !databases->IsFolder()) return;
    if (!sites) return LogLeft(kStatus, "remove-file", databases->path, kFriendlySitesUnknown);
    ForEachEntry(*databases, "*", [&](ReachedEntry& origin) {
        if (origin.IsFolder() && origin.name.rfind("chrome-extension_", 0) != 0 &&
            !IsFriendlyHost(OriginHost(origin.name), *sites))
            RemoveFolderFiles(origin, Take::FilesBelow, counter, kb);
    });
}

// The folder a row's path names its last step in: the profile, or a folder below it.
std::optional<ReachedEntry> RowFolder(const ReachedEntry& profile, const char* path)
{
    const std::string relative(path);
    const size_t last = relative.find_last_of('\\');
    return last == std::string::npos ? profile : Reach(profile, relative.substr(0, last));
}

// A row as friendly sites change it; false when the row is to be taken as it stands. While the
// friendly sites are unknown, every cookie database stays whole, with its line.
bool CleanFriendlyRow(const ReachedEntry& profile, const ProfileRow& row, ReachedEntry& entry,
                      const std::optional<FriendlySites>& sites, int* counter, float* kb)
{
    if ((sites && sites->empty()) || row.friendly == Friendly::Ignores) return false;
    switch (row.friendly) {
    case Friendly::ChromiumCookies:
    case Friendly::FirefoxCookies:
        if (!sites)
            LogLeft(kStatus, "delete-cookies", entry.path, kFriendlySitesUnknown);
        else if (const std::optional<ReachedEntry> folder = RowFolder(profile, row.path))
            CleanCookieDatabase(*folder, entry, *CookieTableOf(row), *sites, kStatus, counter, kb);
        break;
    case Friendly::SharedStore:
        LogNote(FormatLine("  Kept: %s holds every site's storage, friendly sites' too.\n", entry.path.c_str()));
        break;
    case Friendly::CookieJournal:
    case Friendly::Ignores:
        break;
    }
    return true;
}

}  // namespace

const CookieTable* CookieTableOf(const ProfileRow& row)
{
    switch (row.friendly) {
    case Friendly::ChromiumCookies: return &kChromiumCookies;
    case Friendly::FirefoxCookies: return &kFirefoxCookies;
    default: return nullptr;
    }
}

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
    const std::optional<FriendlySites> sites = g_internetSettings.CopyFriendlySites();
    for (const ProfileRow& row : rows) {
        if (row.password && !passwords) continue;
        std::optional<ReachedEntry> entry = Reach(profile, row.path);
        if (!entry || entry->IsFolder() != (row.take != Take::File)) continue;
        if (CleanFriendlyRow(profile, row, *entry, sites, counter, kb)) continue;
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
    CleanIndexedDb(profile, g_internetSettings.CopyFriendlySites(), counter, kb);
}
