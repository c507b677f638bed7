#include <windows.h>
#include <shlobj.h>
#include <string>
#include "cleaners/windows_cleaners.h"
#include "engine/jump_lists.h"
#include "engine/profile_walk.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_events.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/system_state.h"
#include "framework/trace.h"

// The traces that today's Explorer and shell keep, and the pins they must keep.

namespace {

constexpr int kStatus = kStatusWindows;
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

bool AnyName(const std::string&) { return true; }
bool NotLanguage(const std::string& name) { return lstrcmpiA(name.c_str(), "LangID") != 0; }
bool NotAllFolders(const std::string& name) { return lstrcmpiA(name.c_str(), "AllFolders") != 0; }
bool LastKey(const std::string& name) { return lstrcmpiA(name.c_str(), "LastKey") == 0; }
// Remote Desktop keeps its ten last hosts as MRU0 to MRU9.
bool RemoteDesktopHost(const std::string& name)
{
    return name.size() == 4 && name.compare(0, 3, "MRU") == 0 && name[3] >= '0' && name[3] <= '9';
}

// A key's values and subkeys that the tests select, under the header line of the seed's registry rows.
void SweepKey(const CleanTarget& t, int s, int* c, NameTest values, NameTest subKeys)
{
    LogLine(FormatLine("  Clean up registry key: %s\n", t.key->Path().c_str()).c_str(), kStatusLogOnly);
    if (values) SweepValuesWhere(*t.key, values, s, c);
    if (subKeys) DeleteSubKeysWhere(*t.key, subKeys, s, c);
}

// The values of the key and of each subkey (per-extension lists).
void CleanValuesBelow(const CleanTarget& t, int s, int* c, float* kb)
{
    CleanRegKey(t, s, c, kb);
    SweepSubKeyValues(*t.key, nullptr, s, c);
}
void CleanSubKeys(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, nullptr, AnyName); }
void CleanKeyContents(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, AnyName, AnyName); }
void CleanBags(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, nullptr, NotAllFolders); }
void CleanMuiCache(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, NotLanguage, nullptr); }
void CleanRemoteDesktopHosts(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, RemoteDesktopHost, nullptr); }
// The Registry Editor's last key goes; its Favorites are the user's own.
void CleanRegeditLastKey(const CleanTarget& t, int s, int* c, float*) { SweepKey(t, s, c, LastKey, nullptr); }

const RegistryRow kExplorerRows[] = {
    {"Explorer\\TypedPaths", CleanRegKey},
    {"Explorer\\WordWheelQuery", CleanRegKey},
    {"Explorer\\ComDlg32\\OpenSavePidlMRU", CleanValuesBelow},
    {"Explorer\\ComDlg32\\LastVisitedPidlMRU", CleanRegKey},
    {"Explorer\\ComDlg32\\LastVisitedPidlMRULegacy", CleanRegKey},
    {"Explorer\\ComDlg32\\CIDSizeMRU", CleanRegKey},
    {"Explorer\\ComDlg32\\FirstFolder", CleanRegKey},
    {"Explorer\\FeatureUsage\\AppLaunch", CleanRegKey},
    {"Explorer\\FeatureUsage\\AppSwitched", CleanRegKey},
    {"Explorer\\FeatureUsage\\ShowJumpView", CleanRegKey},
    {"Explorer\\FeatureUsage\\AppBadgeUpdated", CleanRegKey},
    {"Explorer\\FeatureUsage\\TrayButtonClicked", CleanRegKey},
    {"Search\\RecentApps", CleanSubKeys},
    {"Applets\\Paint\\Recent File List", CleanRegKey},
    {"Applets\\Wordpad\\Recent File List", CleanRegKey},
    {"Explorer\\StreamMRU", CleanRegKey},
    {"Applets\\Regedit", CleanRegeditLastKey},
};
// Below "Software\Microsoft": the consoles, the last Direct3D program and the old search's words.
const RegistryRow kMicrosoftRows[] = {
    {"Microsoft Management Console\\Recent File List", CleanRegKey},
    {"Direct3D\\MostRecentApplication", CleanRegKey},
    {"Search Assistant\\ACMru", CleanValuesBelow},
};
const RegistryRow kMuiCacheRows[] = {{"MuiCache", CleanMuiCache}};
const RegistryRow kRemoteDesktopRows[] = {{"Default", CleanRemoteDesktopHosts}, {"Servers", CleanSubKeys}};
const RegistryRow kShellBagRows[] = {{"BagMRU", CleanKeyContents}, {"Bags", CleanBags}};

constexpr const char* kUserAssist = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist";
constexpr const char* kLocalShell = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell";
const char* const kShellBagBases[] = {
    "Software\\Microsoft\\Windows\\Shell",
    "Software\\Microsoft\\Windows\\ShellNoRoam",
    kLocalShell,
    "Software\\Classes\\Wow6432Node\\Local Settings\\Software\\Microsoft\\Windows\\Shell",
};

// UserAssist keeps its counts below each {GUID}\Count; the {GUID} keys and their Version stay.
void CleanUserAssist(int* counter, float* kb)
{
    std::vector<std::string> guids;
    {
        CRegistryKey key(HKEY_CURRENT_USER, kUserAssist);
        std::string name;
        while (key.Handle() && NextSweptSubKey(key, name)) guids.push_back(name);
    }
    const RegistryRow countRow[] = {{"Count", CleanRegKey}};
    for (const std::string& guid : guids)
        CleanRegistryRows(HKEY_CURRENT_USER, (std::string(kUserAssist) + "\\" + guid).c_str(), countRow, kStatus,
                          counter, kb, KeyNaming::FromHive);
}

std::string ShellPath(int csidl)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : std::string();
}

// The automatic or custom jump lists of the Recent folder, but those the test keeps. A list in use is
// never left for the restart: a pin added before then would go with it.
void RemoveJumpLists(const std::string& folder, const char* filter, int* counter, float* kb,
                     const CSweepFinder::KeepTest& keeps)
{
    LogLine(FormatLine("  Clean up directory: %s.\n", folder.c_str()).c_str(), kStatusLogOnly);
    try {
        CSweepFinder finder(folder + "\\" + filter, DeepSweepOn() && !keeps, PatternSource::JumpLists);
        finder.RemoveFilesUnless(keeps, kStatus, counter, kb);
    } catch (const std::exception&) {
        // A failed walk ends this folder only.
    }
}

const FolderRow kPowerShellRows[] = {
    {"%APPDATA%\\Microsoft\\Windows\\PowerShell\\PSReadLine", "*_history.txt", CleanFiles}};
const FolderRow kThumbnailRows[] = {{"%LOCALAPPDATA%\\Microsoft\\Windows\\Explorer", "thumbcache_*.db", CleanFiles}};
const FolderRow kErrorReportRows[] = {
    {"%LOCALAPPDATA%\\Microsoft\\Windows\\WER\\ReportArchive", "*.*", CleanDir},
    {"%LOCALAPPDATA%\\Microsoft\\Windows\\WER\\ReportQueue", "*.*", CleanDir},
    {"%LOCALAPPDATA%\\CrashDumps", "*.dmp", CleanFiles},
};

// Remote Desktop saves the last connection as a hidden Default.rdp among the user's documents; a
// visible one is a file the user saved.
void RemoveRemoteDesktopDefault(int* counter, float* kb)
{
    const auto documents = StartFolder(ShellPath(CSIDL_PERSONAL));
    if (!documents) return;
    auto file = Reach(*documents, "Default.rdp");
    if (!file || file->IsFolder()) return;
    const DWORD attributes = file->handle->Attributes();
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_HIDDEN)) {
        TraceMessage("   Kept %s: it is not the hidden file Remote Desktop writes.\n", file->path.c_str());
        return;
    }
    RemoveReachedFile(*file, kStatus, counter, kb);
}

// A list whose pins cannot be ruled out stays: one that records a pin as the user wants it, one that
// cannot be read (damaged, or not a jump list at all) as something the sweep set out to remove.
bool KeepsPinnedList(WalkEntry& file)
{
    switch (JumpListPins(file)) {
    case DestListPins::None:
        return false;
    case DestListPins::Pinned:
        LogNote(FormatLine("  Kept: %s holds pinned items.\n", file.path.c_str()));
        return true;
    case DestListPins::Unreadable:
        LogNote(FormatLine("  Kept: %s (not read).\n", file.path.c_str()));
        NoteLeft(kStatus, "remove-file", file.path, "not read");
        return true;
    }
    return true;
}

}  // namespace

void CleanExplorerHistories(int* counter, float* kb)
{
    LogLine("Start clean up Explorer histories.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, kCurrentVersion, kExplorerRows, kStatus, counter, kb, KeyNaming::FromHive);
    CleanRegistryRows(HKEY_CURRENT_USER, "Software\\Microsoft", kMicrosoftRows, kStatus, counter, kb, KeyNaming::FromHive);
    CleanUserAssist(counter, kb);
    CleanRegistryRows(HKEY_CURRENT_USER, kLocalShell, kMuiCacheRows, kStatus, counter, kb, KeyNaming::FromHive);
    CleanRegistryRows(HKEY_CURRENT_USER, "Software\\Microsoft\\Terminal Server Client", kRemoteDesktopRows, kStatus,
                      counter, kb, KeyNaming::FromHive);
    RemoveRemoteDesktopDefault(counter, kb);
    CleanFolderRows(kPowerShellRows, std::size(kPowerShellRows), kStatus, counter, kb);
}

void CleanJumpLists(int* counter, float* kb)
{
    LogLine("Start clean up jump lists.\n", kStatusLogOnly);
    const std::string recent = ShellPath(CSIDL_RECENT);
    if (recent.empty()) return;
    RemoveJumpLists(recent + "\\AutomaticDestinations", "*.automaticDestinations-ms", counter, kb, KeepsPinnedList);
    RemoveJumpLists(recent + "\\CustomDestinations", "*.customDestinations-ms", counter, kb, nullptr);
}

void CleanThumbnailCache(int* counter, float* kb)
{
    LogLine("Start clean up thumbnail cache.\n", kStatusLogOnly);
    CleanFolderRows(kThumbnailRows, std::size(kThumbnailRows), kStatus, counter, kb);
}

void CleanFolderViews(int* counter, float* kb)
{
    LogLine("Start clean up folder views.\n", kStatusLogOnly);
    for (const char* base : kShellBagBases)
        CleanRegistryRows(HKEY_CURRENT_USER, base, kShellBagRows, kStatus, counter, kb, KeyNaming::FromHive);
}

void CleanErrorReports(int* counter, float* kb)
{
    LogLine("Start clean up error reports.\n", kStatusLogOnly);
    CleanFolderRows(kErrorReportRows, std::size(kErrorReportRows), kStatus, counter, kb);
}

void CleanDnsCache(int* counter, float*)
{
    LogLine("Start clean up DNS cache.\n", kStatusLogOnly);
    if (Actions().FlushDnsCache())
        LogItemAt("DNS resolver cache",
                  {"  Item %d, Flush the DNS resolver cache.\n", "  Flush the DNS resolver cache.\n", false, "flush"}, kStatus,
                  counter);
    else
        LogLeft(kStatus, "flush", "DNS resolver cache", "the system would not flush it");
}

void CleanClipboard(int* counter, float*)
{
    LogLine("Start clean up clipboard.\n", kStatusLogOnly);
    if (Actions().EmptyClipboard())
        LogItemAt("clipboard", {"  Item %d, Empty the clipboard.\n", "  Empty the clipboard.\n", false, "empty-clipboard"},
                  kStatus, counter);
    else if (ClipboardHoldsContent())
        LogLeft(kStatus, "empty-clipboard", "clipboard", "another program holds it");
}
