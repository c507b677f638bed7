#include "cleaners/windows_cleaners.h"
#include "framework/trace.h"
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "engine/file_removal.h"
#include "engine/recycle_bin.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_events.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "settings/settings_groups.h"

namespace {

constexpr int kStatus = kStatusWindows;
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kExplorerBars =
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";

const RegistryRow kDocumentRows[] = {
    {"Explorer\\ComDlg32\\LastVisitedMRU", CleanMRU},
    {"Explorer\\ComDlg32\\OpenSaveMRU", CleanMRU},
    {"Explorer\\ComDlg32\\OpenSaveMRU", CleanSubKeyMRU},
    {"Explorer\\FileExts", CleanFileExt},
    {"Explorer\\RecentDocs", CleanMRU},
    {"Explorer\\RecentDocs", CleanSubKeyMRU},
};

const FolderValueRow kRecentFolderRows[] = {
    {"Explorer\\User Shell Folders", "Recent", nullptr, CleanRegDir},
    {"Explorer\\Shell Folders", "Recent", nullptr, CleanRegDir},
};

const RegistryRow kFindBarRows[] = {
    {"ContainingTextMRU", CleanRegKey},
    {"FilesNamedMRU", CleanRegKey},
};

const RegistryRow kFindRows[] = {
    {"Explorer\\Doc Find Spec MRU", CleanMRU},
    {"Explorer\\FindComputerMRU", CleanMRU},
};

const RegistryRow kRunRows[] = {{"Explorer\\RunMRU", CleanMRU}};
const RegistryRow kNetworkRows[] = {{"Explorer\\Map Network Drive MRU", CleanMRU}};

const FolderRow kTemporaryRows[] = {
    {"%TMP%", "*.*", CleanDir},
    {"%TEMP%", "*.*", CleanDir},
    {"%TMPDIR%", "*.*", CleanDir},
};

const char* const kLogonKeys[] = {
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon",
};
const char* const kLogonValues[] = {"AltDefaultDomainName", "AltDefaultUserName", "DefaultDomainName",
                                    "DefaultUserName"};

struct Hive {
    HKEY key;
    const char* counted;
    const char* plain;
};
const Hive kLogonHives[] = {
    {HKEY_CURRENT_USER, "  Item %d, Clean up registry key: HKEY_CURRENT_USER\\%s\\%s\n",
     "  Clean up registry key: HKEY_CURRENT_USER\\%s\\%s\n"},
    {HKEY_LOCAL_MACHINE, "  Item %d, Clean up registry key: HKEY_LOCAL_MACHINE\\%s\\%s\n",
     "  Clean up registry key: HKEY_LOCAL_MACHINE\\%s\\%s\n"},
};

void RemoveFolderContents(const std::string& pattern, bool tree, TreeMode mode, int* counter, float* kb,
                          PatternSource source = PatternSource::Data)
{
    try {
        CSweepFinder finder(pattern, DeepSweepOn(), source);
        if (tree)
            finder.RemoveTree(mode, kStatus, counter, kb);
        else
            finder.RemoveFiles(kStatus, counter, kb);
    } catch (const std::exception&) {
        // A failed walk ends this folder only.
    }
}

}  // namespace

void CleanRecycleBin(int* counter, float* kb)
{
    // Counted once emptied, and only what went.
    std::optional<RecycleBinContents> emptied;
    if (!Actions().EmptyRecycleBin(emptied)) {
        LogLine("  Clean up 'Recycle Bin'.\n", kStatusLogOnly);
        TraceMessage("Cannot Empty All RecycleBin\n");
        return;
    }
    if (emptied) {
        const float size = BytesToKB(static_cast<unsigned long long>(std::max<int64_t>(emptied->bytes, 0)));
        const int items = static_cast<int>(std::max<int64_t>(emptied->items, 0) & 0x7FFFFFFF);
        char line[kLineBufferSize];
        FormatLogLine(line, sizeof line, "  Clean up 'Recycle Bin'. Items %d, Size %.3f(KB)\n", items,
                      static_cast<double>(size));
        if (counter) *counter += items;
        if (kb) *kb += size;
        LogLine(line, kStatus);
        SweepEvent event;
        event.type = SweepEvent::Type::Item;
        event.statusId = kStatus;
        event.item = counter ? *counter : 0;
        event.action = "empty-recycle-bin";
        event.target = "Recycle Bin";
        event.kb = size;
        EmitSweepEvent(event);
    } else {
        LogLine("  Clean up 'Recycle Bin'.\n", kStatusLogOnly);
    }
    LogLine("  Cleaned up 'Recycle Bin'.\n", kStatusLogOnly);
}

void CleanDocumentHistory(int* counter, float* kb)
{
    std::string recentPattern;
    char recent[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, recent, CSIDL_RECENT, FALSE)) {
        recentPattern = std::string(recent) + "\\*.*";
        RemoveFolderContents(recentPattern, false, TreeMode::Plain, counter, kb);
    }
    LogLine("Start clean up document historical records.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, kCurrentVersion, kDocumentRows, kStatus, counter, kb);
    CleanFolderValueRows(HKEY_CURRENT_USER, kCurrentVersion, kRecentFolderRows, std::size(kRecentFolderRows),
                         &recentPattern, kStatus, counter, kb);
}

void CleanFindHistory(int* counter, float* kb)
{
    LogLine("Start clean up finding historical records.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, kExplorerBars, kFindBarRows, kStatus, counter, kb);
    CleanRegistryRows(HKEY_CURRENT_USER, kCurrentVersion, kFindRows, kStatus, counter, kb);
}

void CleanRunHistory(int* counter, float* kb)
{
    LogLine("Start clean up running historical records.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, kCurrentVersion, kRunRows, kStatus, counter, kb);
}

void CleanNetworkHistory(int* counter, float* kb)
{
    LogLine("Start clean up network historical records.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, kCurrentVersion, kNetworkRows, kStatus, counter, kb);
}

void CleanTemporaryFiles(int* counter, float* kb)
{
    LogLine("Start clean up temporary files.\n", kStatusLogOnly);
    CleanFolderRows(kTemporaryRows, std::size(kTemporaryRows), kStatus, counter, kb);
}

void CleanLastLogonUser(int* counter, float*)
{
    LogLine("Clean up default logon user name.\n", kStatusLogOnly);
    for (const char* keyPath : kLogonKeys) {
        for (const Hive& hive : kLogonHives) {
            CRegistryKey key(hive.key, keyPath, kKeyChange);
            if (!key.Handle()) continue;
            for (const char* value : kLogonValues) {
                if (!Actions().DeleteValue(key.Handle(), value)) continue;
                LogItemAt(std::string(keyPath) + "\\" + value, {hive.counted, hive.plain, false, "delete-value"}, kStatus,
                          counter, keyPath, value);
            }
        }
    }
}

void CleanCustomLocations(int* counter, float* kb)
{
    const auto locations = g_windowsSettings.CopyCustomLocations();
    if (!locations) return;
    for (const CustomLocation& location : *locations)
        RemoveFolderContents(location.Dir + "\\" + location.Flt, location.SubInc == 1, TreeMode::Cache, counter, kb,
                             PatternSource::UserChoice);
}
