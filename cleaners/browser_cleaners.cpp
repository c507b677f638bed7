#include <windows.h>
#include "framework/registry_values.h"
#include <algorithm>
#include <cstring>
#include <set>
#include <optional>
#include <string>
#include "framework/trace.h"
#include "cleaners/internet_cleaners.h"
#include "engine/browser_profiles.h"
#include "engine/profile_walk.h"
#include "engine/protected_folders.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "framework/registry_key.h"
#include "framework/process_list.h"
#include "cleaners/browser_table.h"
#include "engine/sweep_events.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

namespace {

constexpr int kStatus = kStatusInternet;

// What a row takes: one file, the files directly in a folder, or the files at every level below a
// folder. Every folder stays.
enum class Take { File, Files, FilesBelow };

struct ProfileRow {
    const char* path;  // below the profile folder
    Take take;
    bool password = false;  // a saved-password store: taken only with "Auto-Complete Password" ticked
};

const ProfileRow kFirefoxOldRows[] = {
    {"history.dat", Take::File},   {"formhistory.dat", Take::File}, {"cookies.txt", Take::File},
    {"downloads.rdf", Take::File}, {"cert8.db", Take::File},        {"key3.db", Take::File, true},
    {"localstore.rdf", Take::File}, {"Cache", Take::Files},
};

const ProfileRow kFirefoxRows[] = {
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

const ProfileRow kChromeRows[] = {
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
const ProfileRow kChromiumSharedRows[] = {
    {"ShaderCache", Take::FilesBelow},
    {"GrShaderCache", Take::FilesBelow},
    {"GraphiteDawnCache", Take::FilesBelow},
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

void CleanChromiumProfile(const ReachedEntry& profile, int* counter, float* kb)
{
    CleanProfile(profile, kChromeRows, counter, kb);
    CleanChromeHistory(profile, counter, kb);
    CleanIndexedDb(profile, counter, kb);
}

constexpr size_t kListLimit = 4u << 20;  // a profile list is a few kilobytes; more is not one

// The profiles "Local State" lists, with Default; nothing when it is missing or unreadable.
std::optional<std::vector<std::string>> ListedChromiumProfiles(const ReachedEntry& userData)
{
    const std::optional<ReachedEntry> state = Reach(userData, "Local State", true);
    const std::optional<std::string> text = state ? ReadReachedFile(*state, kListLimit) : std::nullopt;
    std::optional<std::vector<std::string>> names = text ? LocalStateProfiles(*text) : std::nullopt;
    if (!names) return std::nullopt;
    if (std::none_of(names->begin(), names->end(), [](const std::string& n) { return lstrcmpiA(n.c_str(), "Default") == 0; }))
        names->push_back("Default");
    return names;
}

// Default and the profiles "Local State" lists, each a folder directly in "User Data" that holds
// Preferences; without a readable list, every such folder ("Profile N", "Guest Profile"). Then what
// the profiles share.
void CleanChromium(const ReachedEntry& userData, int* counter, float* kb)
{
    if (const auto listed = ListedChromiumProfiles(userData)) {
        for (const std::string& name : *listed)
            if (const auto profile = Reach(userData, name); profile && IsChromeProfile(*profile))
                CleanChromiumProfile(*profile, counter, kb);
    } else {
        ForEachEntry(userData, "*", [&](ReachedEntry& profile) {
            if (IsChromeProfile(profile)) CleanChromiumProfile(profile, counter, kb);
        });
    }
    CleanProfile(userData, kChromiumSharedRows, counter, kb);
}

// Opera's root is the profile itself, or holds it in Default; side profiles live in _side_profiles.
// The local root mirrors the roaming one with the caches.
void CleanOpera(const ReachedEntry& root, bool rootIsProfile, int* counter, float* kb)
{
    if (rootIsProfile) CleanChromiumProfile(root, counter, kb);
    if (const auto main = Reach(root, "Default"); main && main->IsFolder()) CleanChromiumProfile(*main, counter, kb);
    if (const auto side = Reach(root, "_side_profiles"); side && side->IsFolder())
        ForEachEntry(*side, "*", [&](ReachedEntry& profile) {
            if (profile.IsFolder()) CleanChromiumProfile(profile, counter, kb);
        });
}

// A profile profiles.ini names: relative to the root, step by step, or an absolute folder. The walk
// rules refuse one that is, holds or lies in a folder the system or the user keeps.
std::optional<ReachedEntry> IniProfileFolder(const ReachedEntry& root, const IniProfile& listed)
{
    std::optional<ReachedEntry> folder = listed.relative ? Reach(root, listed.path) : StartFolder(listed.path);
    if (!folder || !folder->IsFolder()) return std::nullopt;
    if (RefuseProtectedFolder(folder->path, folder->identity.finalPath, PatternSource::Data)) return std::nullopt;
    return folder;
}

// The profiles profiles.ini names, then every folder of Profiles, each once.
void CleanFirefoxRoot(const ReachedEntry& root, int* counter, float* kb)
{
    std::set<std::string> swept;
    const auto clean = [&](const ReachedEntry& profile) {
        if (swept.insert(profile.identity.finalPath).second) CleanProfile(profile, kFirefoxRows, counter, kb);
    };
    const std::optional<ReachedEntry> ini = Reach(root, "profiles.ini", true);
    if (const auto text = ini ? ReadReachedFile(*ini, kListLimit) : std::nullopt)
        for (const IniProfile& listed : ProfilesIniProfiles(*text))
            if (const auto profile = IniProfileFolder(root, listed)) clean(*profile);
    const std::optional<ReachedEntry> profiles = Reach(root, "Profiles");
    if (!profiles || !profiles->IsFolder()) return;
    ForEachEntry(*profiles, "*", [&](ReachedEntry& profile) {
        if (profile.IsFolder()) clean(profile);
    });
}

std::optional<ReachedEntry> BrowserRoot(const std::optional<std::string>& base, const char* root)
{
    if (!base) return std::nullopt;
    const std::optional<ReachedEntry> start = StartFolder(*base);
    std::optional<ReachedEntry> found = start ? Reach(*start, root) : std::nullopt;
    return found && found->IsFolder() ? found : std::nullopt;
}

// A browser that runs holds some of its files: they stay (or wait for the restart), and one line
// says why, once for each browser found.
void SayWhenRunning(const BrowserRow& browser)
{
    if (ProcessRunning(browser.process))
        LogNote(FormatLine("%s is running: the files it holds stay until it is closed.\n", browser.name));
}

void CleanBrowser(const BrowserRow& browser, int* counter, float* kb)
{
    const std::optional<std::string> local = ShellFolderPath("Local AppData");
    const std::optional<std::string> roaming = ShellFolderPath("AppData");
    const std::optional<ReachedEntry> localRoot = BrowserRoot(local, browser.root);
    const std::optional<ReachedEntry> roamingRoot = BrowserRoot(roaming, browser.root);
    if (!localRoot && !roamingRoot) return;
    SayWhenRunning(browser);
    switch (browser.family) {
    case BrowserFamily::Chromium:
        if (localRoot) CleanChromium(*localRoot, counter, kb);
        break;
    case BrowserFamily::Opera: {
        const bool rootIsProfile = roamingRoot && IsChromeProfile(*roamingRoot) &&
                                   lstrcmpiA(roamingRoot->name.c_str(), "Default") != 0;
        for (const auto& root : {roamingRoot, localRoot})
            if (root) CleanOpera(*root, rootIsProfile, counter, kb);
        break;
    }
    case BrowserFamily::Firefox:
        for (const auto& root : {roamingRoot, localRoot})
            if (root) CleanFirefoxRoot(*root, counter, kb);
        break;
    }
}

// Every browser of the table that the box sweeps.
void CleanBrowsers(uint32_t bit, int* counter, float* kb)
{
    for (const BrowserRow& browser : Browsers()) {
        if (browser.bit != bit) continue;
        try {
            CleanBrowser(browser, counter, kb);
        } catch (const std::exception&) {
            // This browser's walk ends; the next one still runs.
        }
    }
}

}  // namespace

void CleanFirefox(int* counter, float* kb)
{
    CleanFirefoxProfiles(kFirefoxOldRows, counter, kb);
    CleanFirefoxProfiles(kFirefoxRows, counter, kb);
    CleanBrowsers(InternetBit::Firefox, counter, kb);
}

void CleanChrome(int* counter, float* kb) { CleanBrowsers(InternetBit::Chrome, counter, kb); }
void CleanEdge(int* counter, float* kb) { CleanBrowsers(InternetBit::Edge, counter, kb); }
void CleanOtherBrowsers(int* counter, float* kb) { CleanBrowsers(InternetBit::OtherBrowsers, counter, kb); }
