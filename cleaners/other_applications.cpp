#include <windows.h>
#include "framework/registry_values.h"
#include <string>
#include "framework/trace.h"
#include "cleaners/application_cleaners.h"
#include "engine/registry_ops.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

namespace {

constexpr int kStatus = kStatusApplications;

struct KeyRow {
    HKEY root;
    const char* path;
    const char* line;
};

// Below "Software\Adobe"; each key's subkeys "c1", "c2", ... are the recent files.
struct AcrobatRow {
    const char* path;
    const char* line;
};
const AcrobatRow kAcrobatRows[] = {
    {"Acrobat Reader\\4.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 4.0.\n"},
    {"Acrobat Reader\\5.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 5.0.\n"},
    {"Acrobat Reader\\6.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 6.0.\n"},
    {"Acrobat Reader\\7.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 7.0.\n"},
    {"Acrobat Reader\\8.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 8.0.\n"},
    {"Acrobat Reader\\9.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 9.0.\n"},
    {"Acrobat Reader\\10.0\\AVGeneral\\cRecentFiles", "Clean up Adobe 10.0.\n"},
    {"Acrobat Reader\\DC\\AVGeneral\\cRecentFiles", "Clean up Adobe DC.\n"},
    {"Adobe Acrobat\\DC\\AVGeneral\\cRecentFiles", "Clean up Adobe DC.\n"},
};

const KeyRow kRealPlayerRows[] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\classes\\Software\\RealNetworks\\RealPlayer\\5.0\\Preferences",
     "Clean up RealPlayer 5.0.\n"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\classes\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences",
     "Clean up RealPlayer 6.0.\n"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\classes\\Software\\RealNetworks\\RealPlayer\\7.0\\Preferences",
     "Clean up RealPlayer 7.0.\n"},
    {HKEY_CURRENT_USER, "SOFTWARE\\RealNetworks\\RealPlayer\\6.0\\Preferences", "Clean up RealOne Player 6.0.\n"},
};

enum class Removal { Files, Tree };

// Below RealOne's user-data folder, in this order.
struct UserDataRow {
    const char* appended;
    Removal removal;
};
const UserDataRow kRealOneUserDataRows[] = {
    {"urls.ini", Removal::Files},
    {"realplayer.ste", Removal::Files},
    {"History\\*.*", Removal::Tree},
    {"Temp", Removal::Tree},
};

constexpr const char* kUserDataKey = "SOFTWARE\\RealNetworks\\Preferences\\UserDataPath";
constexpr const char* kCookiesKey = "SOFTWARE\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\CookiesPath";
constexpr const char* kRealOneLine = "Clean up RealOne Player 6.0 Directory.\n";

// Every walk of this cleaner may leave a file in use for the next restart.
void Remove(const std::string& pattern, Removal removal, int* counter, float* kb)
{
    try {
        CSweepFinder finder(pattern, true);
        if (removal == Removal::Files)
            finder.RemoveFiles(kStatus, counter, kb);
        else
            finder.RemoveTree(TreeMode::Cache, kStatus, counter, kb);
    } catch (const std::exception&) {
        // A failed walk ends this step only.
    }
}

void CleanRealOneUserData(int* counter, float* kb)
{
    CRegistryKey key(HKEY_CURRENT_USER, kUserDataKey);
    if (!key.Handle()) return;
    LogLine(kRealOneLine, kStatusLogOnly);
    std::string folder = ReadPathValue(key, nullptr);
    // No path, no folder: the names would be relative to the current drive's root.
    if (folder.empty()) return;
    if (folder.back() != '\\') folder += '\\';
    for (const UserDataRow& row : kRealOneUserDataRows) Remove(folder + row.appended, row.removal, counter, kb);
}

void CleanRealOneCookies(int* counter, float* kb)
{
    CRegistryKey key(HKEY_CURRENT_USER, kCookiesKey);
    if (!key.Handle()) return;
    LogLine(kRealOneLine, kStatusLogOnly);
    // The value names one file: a wildcard in it makes it name nothing, never a search.
    const std::string file = ReadPathValue(key, nullptr);
    if (HasWildcards(file)) {
        TraceMessage("Passed over the cookie path %s: it is not one file.\n", file.c_str());
        return;
    }
    if (!file.empty()) Remove(file, Removal::Files, counter, kb);
}

void CleanRealPlayerLists(int* counter, float* kb)
{
    for (const KeyRow& row : kRealPlayerRows) {
        CRegistryKey key(row.root, row.path, kKeyChange);
        if (!key.Handle()) continue;
        LogLine(row.line, kStatusLogOnly);
        DeleteSubKeysByPrefix(key, "MostRecentClips", kStatus, counter, kb);
    }
}

}  // namespace

void StartOtherApplications(int*, float*)
{
    LogLine("Start clean up historical records on other applications.\n", kStatusLogOnly);
}

void CleanAcrobatReader(int* counter, float* kb)
{
    CRegistryKey adobe(HKEY_CURRENT_USER, "Software\\Adobe", kKeyChange);
    if (!adobe.Handle()) return;
    for (const AcrobatRow& row : kAcrobatRows) {
        LogLine(row.line, kStatusLogOnly);
        CRegistryKey key(adobe.OpenSubKey(row.path), kKeyChange);
        if (key.Handle()) DeleteSubKeysByPrefix(key, "c", kStatus, counter, kb);
    }
}

void CleanMediaPlayer(int* counter, float* kb)
{
    CRegistryKey key(HKEY_CURRENT_USER, "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", kKeyChange);
    LogLine("Clean up MediaPlayer.\n", kStatusLogOnly);
    if (key.Handle()) DeleteValuesByPrefix(key, "File", kStatus, counter, kb);
}

void CleanRealPlayer(int* counter, float* kb)
{
    CleanRealPlayerLists(counter, kb);
    CleanRealOneUserData(counter, kb);
    CleanRealOneCookies(counter, kb);
}
