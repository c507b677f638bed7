#include <windows.h>
#include "framework/registry_values.h"
#include <cstring>
#include <optional>
#include <string>
#include "framework/trace.h"
#include "cleaners/internet_cleaners.h"
#include "engine/profile_walk.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "framework/registry_key.h"

namespace {

constexpr int kStatus = kStatusInternet;

// What a row takes: one file, the files directly in a folder, or the files at every level below a
// folder. Every folder stays.
enum class Take { File, Files, FilesBelow };

struct ProfileRow {
    const char* path;  // below the profile folder
    Take take;
};

const ProfileRow kFirefoxOldRows[] = {
    {"history.dat", Take::File},   {"formhistory.dat", Take::File}, {"cookies.txt", Take::File},
    {"downloads.rdf", Take::File}, {"cert8.db", Take::File},        {"key3.db", Take::File},
    {"localstore.rdf", Take::File}, {"Cache", Take::Files},
};

const ProfileRow kFirefoxRows[] = {
    {"history.dat", Take::File},
    {"formhistory.sqlite", Take::File},
    {"cookies.sqlite", Take::File},
    {"signons.sqlite", Take::File},
    {"downloads.sqlite", Take::File},
    {"formhistory.dat", Take::File},
    {"cert8.db", Take::File},
    {"key3.db", Take::File},
    {"localstore.rdf", Take::File},
    {"webappsstore.sqlite", Take::File},
    {"search.sqlite", Take::File},
    {"places.sqlite", Take::File},
    {"places.sqlite-journal", Take::File},
    {"Cache", Take::Files},
    // The same lists in the files today's Firefox writes.
    {"logins.json", Take::File},
    {"key4.db", Take::File},
    {"cert9.db", Take::File},
    {"places.sqlite-wal", Take::File},
    {"cookies.sqlite-wal", Take::File},
    {"formhistory.sqlite-wal", Take::File},
    {"sessionstore.jsonlz4", Take::File},
    {"sessionstore-backups", Take::Files},
    {"cache2", Take::FilesBelow},
    {"startupCache", Take::FilesBelow},
};

const ProfileRow kChromeRows[] = {
    {"Last Session", Take::File},
    {"Cookies", Take::File},
    {"Login Data", Take::File},
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
};

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
template <size_t N>
void CleanProfile(const ReachedEntry& profile, const ProfileRow (&rows)[N], int* counter, float* kb)
{
    for (const ProfileRow& row : rows) {
        std::optional<ReachedEntry> entry = Reach(profile, row.path);
        if (!entry || entry->IsFolder() != (row.take != Take::File)) continue;
        if (row.take == Take::File)
            RemoveProfileFile(*entry, kStatus, counter, kb);
        else
            RemoveFolderFiles(*entry, row.take, counter, kb);
    }
}

template <size_t N>
void WalkFirefox(const std::string& base, const ProfileRow (&rows)[N], int* counter, float* kb)
{
    try {
        const std::optional<ReachedEntry> start = StartFolder(base);
        const std::optional<ReachedEntry> mozilla = start ? Reach(*start, "Mozilla") : std::nullopt;
        if (!mozilla || !mozilla->IsFolder()) return;
        ForEachEntry(*mozilla, "Firefox*", [&](ReachedEntry& firefox) {
            const std::optional<ReachedEntry> profiles = firefox.IsFolder() ? Reach(firefox, "profiles") : std::nullopt;
            if (!profiles || !profiles->IsFolder()) return;
            ForEachEntry(*profiles, "*", [&](ReachedEntry& profile) {
                if (profile.IsFolder()) CleanProfile(profile, rows, counter, kb);
            });
        });
    } catch (const std::exception&) {
        // The walk ends; the next one still runs.
    }
}

// Over the roaming folder, then the local one; a roaming value that cannot be had ends both.
template <size_t N>
void CleanFirefoxProfiles(const ProfileRow (&rows)[N], int* counter, float* kb)
{
    const std::optional<std::string> roaming = ShellFolderPath("AppData");
    if (!roaming) return;
    WalkFirefox(*roaming, rows, counter, kb);
    if (const std::optional<std::string> local = ShellFolderPath("Local AppData")) WalkFirefox(*local, rows, counter, kb);
}

bool IsChromeProfile(const ReachedEntry& folder)
{
    if (!folder.IsFolder()) return false;
    if (lstrcmpiA(folder.name.c_str(), "Default") == 0) return true;
    const std::optional<ReachedEntry> preferences = Reach(folder, "Preferences");
    return preferences && !preferences->IsFolder();
}

bool IsChromeListedFile(const std::string& name)
{
    for (const ProfileRow& row : kChromeRows)
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

}  // namespace

void CleanFirefox(int* counter, float* kb)
{
    CleanFirefoxProfiles(kFirefoxOldRows, counter, kb);
    CleanFirefoxProfiles(kFirefoxRows, counter, kb);
}

// Default and every other profile of "User Data" (each "Profile N", "Guest Profile"): each folder
// that holds a Preferences file.
void CleanChrome(int* counter, float* kb)
{
    const std::optional<std::string> local = ShellFolderPath("Local AppData");
    if (!local) return;
    try {
        const std::optional<ReachedEntry> start = StartFolder(*local);
        const std::optional<ReachedEntry> userData = start ? Reach(*start, "Google\\Chrome\\User Data") : std::nullopt;
        if (!userData || !userData->IsFolder()) return;
        ForEachEntry(*userData, "*", [&](ReachedEntry& profile) {
            if (!IsChromeProfile(profile)) return;
            CleanProfile(profile, kChromeRows, counter, kb);
            CleanChromeHistory(profile, counter, kb);
        });
    } catch (const std::exception&) {
        // The walk ends here.
    }
}
