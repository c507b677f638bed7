#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>
#include "cleaners/internet_cleaners.h"
#include "engine/cookie_database.h"
#include "engine/key_security_restore.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "engine/system_kind.h"
#include "engine/url_cache_sweep.h"
#include "framework/file.h"
#include "framework/key_security.h"
#include "framework/registry_values.h"
#include "settings/settings_groups.h"

namespace {

constexpr int kStatus = kStatusInternet;
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kStoreBase = "Software\\Microsoft\\Protected Storage System Provider\\";
constexpr const char* kFormsStore = "\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";

const FolderValueRow kTemporaryFilesRows[] = {
    {"Explorer\\User Shell Folders", "Cache", nullptr, CleanRegDirTree, nullptr, true},
    {"Explorer\\Shell Folders", "Cache", nullptr, CleanRegDirTree, nullptr, true},
    {"Explorer\\User Shell Folders", "Local Settings", nullptr, CleanRegTempDir, "Temporary Internet Files", true},
    {"Explorer\\Shell Folders", "Local Settings", nullptr, CleanRegTempDir, "Temporary Internet Files", true},
};

const char* const kCookieFolderValueKeys[] = {"Explorer\\User Shell Folders", "Explorer\\Shell Folders"};
const FolderValueRow kCookieTempRows[] = {
    {"Explorer\\User Shell Folders", "Local Settings", nullptr, CleanRegTempDir, "Cookies"},
    {"Explorer\\Shell Folders", "Local Settings", nullptr, CleanRegTempDir, "Cookies"},
};

const RegistryRow kTypedUrlRows[] = {{"Software\\Microsoft\\Internet Explorer\\TypedURLs", CleanMRU}};
const FolderValueRow kHistoryFolderValueRows[] = {
    {"Explorer\\User Shell Folders", "History", nullptr, CleanRegDirTree},
    {"Explorer\\Shell Folders", "History", nullptr, CleanRegDirTree},
};
const FolderRow kHistoryFolderRows[] = {
    {"%USERPROFILE%\\Local Settings\\Temp\\History", "History.*", CleanCacheDir},
    {"%USERPROFILE%\\Application Data\\Microsoft\\Office\\Recent", "*.*", CleanCacheDir},
    {"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Office\\Recent", "*.*", CleanCacheDir},
    {"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Recent", "*.*", CleanCacheDir},
};

// The stored entries are in the subkeys (Storage1, Storage2, SPW); the key's own values are the
// user's auto-complete preferences (AskUser, ...).
const RegistryRow kPasswordRows[] = {{"Software\\Microsoft\\Internet Explorer\\IntelliForms", CleanRegSubKeys}};

// The shell's folder plus "\*.*"; empty when the shell does not know it.
std::string ShellPattern(int csidl)
{
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE) || !*folder) return {};
    return std::string(folder) + "\\*.*";
}

// The folders Internet Explorer's cookies may be in, each once: the shell's, those the registry names,
// and "Cookies" in Local Settings.
std::vector<std::string> CookieFolders()
{
    std::vector<std::string> folders;
    const auto add = [&](const std::string& folder) {
        if (folder.empty() || !FileSystem::IsFolder(folder)) return;
        if (std::none_of(folders.begin(), folders.end(),
                         [&](const std::string& known) { return FileSystem::SameWindowsPath(known, folder); }))
            folders.push_back(folder);
    };
    char shell[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, shell, CSIDL_COOKIES, FALSE)) add(shell);
    CRegistryKey base(HKEY_CURRENT_USER, kCurrentVersion);
    for (const char* keyPath : kCookieFolderValueKeys) {
        CRegistryKey key(base.OpenSubKey(keyPath));
        if (!key.Handle()) continue;
        add(ReadPathValue(key, "Cookies"));
        const std::string local = ReadPathValue(key, "Local Settings");
        if (!local.empty()) add(local + "\\Cookies");
    }
    return folders;
}

void RemoveCacheTree(const std::string& pattern, int* counter, float* kb)
{
    if (pattern.empty()) return;
    try {
        CSweepFinder finder(pattern, DeepSweepOn());
        finder.RemoveTree(TreeMode::Cache, kStatus, counter, kb);
    } catch (const std::exception&) {
        // The walk ends; the rows still run.
    }
}

template <size_t N>
void CleanFolderValues(const FolderValueRow (&rows)[N], std::string* skipPath, int* counter, float* kb)
{
    CleanFolderValueRows(HKEY_CURRENT_USER, kCurrentVersion, rows, N, skipPath, kStatus, counter, kb);
}

// Logged and counted only when the key was there and is gone.
void DeleteStoreKey(const std::string& path, int* counter)
{
    if (!Actions().DeleteKeyTree(HKEY_CURRENT_USER, path.c_str())) return;
    LogItem({"  Item %d, Delete registry key: HKEY_CURRENT_USER\\%s\n", "  Delete registry key: HKEY_CURRENT_USER\\%s\n",
              false, "delete-key"},
            kStatus, counter, path.c_str());
}

// The user's own Protected Storage keys are closed to the user: they are opened to the user and
// LocalSystem for the deletion, and the keys that stay get their own DACL back.
void DeleteSidFormsStore(int* counter)
{
    const std::vector<BYTE> sid = KeySecurity::CurrentUserSid();
    if (sid.empty()) return;
    const std::string sidKey = kStoreBase + KeySecurity::SidText(const_cast<BYTE*>(sid.data()));
    const std::string dataKey = sidKey + "\\Data";
    CKeySecurityRestore restoreSidKey(HKEY_CURRENT_USER, sidKey);
    CKeySecurityRestore restoreDataKey(HKEY_CURRENT_USER, dataKey);
    CGrantingDescriptor grant(const_cast<BYTE*>(sid.data()));
    if (!grant) return;
    Actions().SetKeySecurity(HKEY_CURRENT_USER, sidKey, grant.Get(), false);
    Actions().SetKeySecurity(HKEY_CURRENT_USER, dataKey, grant.Get(), false);
    Actions().SetKeySecurity(HKEY_CURRENT_USER, sidKey + kFormsStore, grant.Get(), true);
    DeleteStoreKey(sidKey + kFormsStore, counter);
}

bool KeepsProtectedStorage(int kind)
{
    return kind == SystemKind::WindowsNT4 || kind == SystemKind::Windows2000 || kind == SystemKind::WindowsXP;
}

}  // namespace

void CleanTemporaryInternetFiles(int* counter, float* kb)
{
    SweepUrlCache(kContentEntries, "", "Contents Cache", kStatus, counter, kb);
    std::string skipPath = ShellPattern(CSIDL_INTERNET_CACHE);
    RemoveCacheTree(skipPath, counter, kb);
    CleanFolderValues(kTemporaryFilesRows, &skipPath, counter, kb);
}

void CleanCookies(int* counter, float* kb)
{
    const std::optional<FriendlySites> sites = g_internetSettings.CopyFriendlySites();
    FriendlyCookieList friendly = sites ? FriendlySiteCookies(*sites) : FriendlyCookieList{};
    // Which cookies are friendly is unknown: every cookie stays, entries and files.
    if (!sites || !g_internetSettings.CopyFriendlyCookies(friendly)) {
        for (const std::string& folder : CookieFolders()) LogLeft(kStatus, "delete-cookies", folder, kFriendlySitesUnknown);
        return;
    }
    SweepCookieCache(friendly, kCookieEntries, "Cookie:", "Cookies Cache", kStatus, counter, kb);
    std::string skipPath = ShellPattern(CSIDL_COOKIES);
    if (!skipPath.empty()) {
        PathPairs keep;
        for (const FriendlyCookie& cookie : friendly)
            if (!cookie.Fl.empty()) keep.emplace_back(cookie.Url, cookie.Fl);
        try {
            CSweepFinder finder(skipPath, false);
            finder.RemoveFilesExcept(keep, kStatus, counter, kb);
        } catch (const std::exception&) {
            // The rows still run.
        }
    }
    CRegistryKey base(HKEY_CURRENT_USER, kCurrentVersion);
    for (const char* keyPath : kCookieFolderValueKeys) {
        CRegistryKey key(base.OpenSubKey(keyPath));
        if (key.Handle()) CleanRegCookieDir(friendly, key, "Cookies", kStatus, counter, kb, &skipPath);
    }
    CleanFolderValues(kCookieTempRows, &skipPath, counter, kb);
}

void CleanInternetHistory(int* counter, float* kb)
{
    SweepUrlCache(kHistoryEntries, "Visited:", "UrlHistory Cache", kStatus, counter, kb);
    CleanRegistryRows(HKEY_CURRENT_USER, "", kTypedUrlRows, kStatus, counter, kb);
    std::string skipPath = ShellPattern(CSIDL_HISTORY);
    RemoveCacheTree(skipPath, counter, kb);
    if (!CRegistryKey(HKEY_CURRENT_USER, kCurrentVersion).Handle()) return;
    CleanFolderValues(kHistoryFolderValueRows, &skipPath, counter, kb);
    CleanFolderRows(kHistoryFolderRows, std::size(kHistoryFolderRows), kStatus, counter, kb);
}

void CleanAutoCompletePasswords(int* counter, float*)
{
    LogLine("Start clean up auto complete password.\n", kStatusLogOnly);
    CleanRegistryRows(HKEY_CURRENT_USER, "", kPasswordRows, kStatus, counter, nullptr);
}

void CleanAutoCompleteForms(int* counter, float*)
{
    LogLine(" Clean up auto complete form.\n", kStatusLogOnly);
    if (KeepsProtectedStorage(CurrentSystemKind())) DeleteSidFormsStore(counter);
    char user[261] = {};
    DWORD size = sizeof user;
    if (GetUserNameA(user, &size) && *user) DeleteStoreKey(kStoreBase + std::string(user) + kFormsStore, counter);
}
