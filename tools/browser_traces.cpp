#include "tools/browser_traces.h"
#include <windows.h>
#include <vector>
#include "tools/profile_tools.h"

namespace {

const char* const kMsn = "SOFTWARE\\Microsoft\\MSN Toolbar";
const char* const kGoogle = "SOFTWARE\\Google\\NavClient";
const char* const kAol = "SOFTWARE\\America Online\\America Online\\CurrentVersion";

struct Planted {
    std::vector<std::string> traces;
    std::vector<std::string> canaries;
};

// Files only: a folder of the list is made by the files in it.
Planted Files(const std::string& root)
{
    const std::string roaming = root + "\\Profile\\AppData\\Roaming\\Mozilla";
    const std::string local = root + "\\Profile\\AppData\\Local";
    const std::string fresh = roaming + "\\Firefox\\Profiles\\k3x9.default-release";
    const std::string old = roaming + "\\Firefox\\Profiles\\a1b2.default";
    const std::string nightly = roaming + "\\FirefoxNightly\\profiles\\n1.default";
    const std::string cached = local + "\\Mozilla\\Firefox\\Profiles\\k3x9.default-release";
    const std::string chrome = local + "\\Google\\Chrome\\User Data";
    const std::string d = chrome + "\\Default", p1 = chrome + "\\Profile 1";
    const std::string aol = root + "\\AOL\\organize";
    Planted p;
    p.traces = {
        fresh + "\\places.sqlite", fresh + "\\places.sqlite-wal", fresh + "\\COOKIES.SQLITE", fresh + "\\cookies.sqlite-wal",
        fresh + "\\formhistory.sqlite", fresh + "\\logins.json", fresh + "\\key4.db", fresh + "\\cert9.db",
        fresh + "\\sessionstore.jsonlz4", fresh + "\\sessionstore-backups\\recovery.jsonlz4",
        fresh + "\\Cache\\4F2A11", old + "\\history.dat", old + "\\cookies.txt", old + "\\downloads.rdf",
        old + "\\key3.db", old + "\\cert8.db", old + "\\localstore.rdf", old + "\\formhistory.dat",
        nightly + "\\places.sqlite", cached + "\\cache2\\entries\\E1A2", cached + "\\cache2\\doomed\\D1",
        cached + "\\cache2\\index", cached + "\\startupCache\\startupCache.8.little", cached + "\\Cache\\old.bin",
        d + "\\History", d + "\\History-journal", d + "\\History Provider Cache", d + "\\Cookies", d + "\\Login Data",
        d + "\\Web Data", d + "\\Visited Links", d + "\\Archived History", d + "\\Last Session",
        d + "\\Network\\Cookies", d + "\\Network\\Cookies-journal", d + "\\Cache\\f_000001",
        d + "\\Cache\\Cache_Data\\data_0", d + "\\Code Cache\\js\\3f1a", d + "\\Code Cache\\wasm\\index",
        d + "\\GPUCache\\data_1", d + "\\Local Storage\\https_example.com_0.localstorage",
        d + "\\Local Storage\\leveldb\\000003.log", d + "\\Sessions\\Session_13345", p1 + "\\Cookies",
        p1 + "\\Network\\Cookies", aol + "\\mail.ARL", aol + "\\screen.AUT", aol + "\\CACHE\\page.art",
    };
    p.canaries = {
        fresh + "\\prefs.js", fresh + "\\extensions.json", fresh + "\\extensions\\addon@example.xpi",
        fresh + "\\Cache\\sub\\kept.bin", fresh + "\\cookies.sqlite.bak", old + "\\cookies.sqlite\\inside.txt",
        nightly + "\\Cache", d + "\\Preferences", d + "\\Bookmarks", d + "\\Extensions\\abc\\manifest.json",
        d + "\\Archived History-journal", d + "\\Network\\TransportSecurity", p1 + "\\Preferences",
        p1 + "\\history", chrome + "\\Crashpad\\Cookies", chrome + "\\Local State", aol + "\\keep.txt",
        aol + "\\CACHE\\sub\\deeper.art",
    };
    return p;
}

// Folders of the lists that stay when their files go.
std::vector<std::string> KeptFolders(const std::string& root)
{
    const std::string d = root + "\\Profile\\AppData\\Local\\Google\\Chrome\\User Data\\Default";
    const std::string cached = root + "\\Profile\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\k3x9.default-release";
    return {d + "\\Cache\\Cache_Data", d + "\\Code Cache\\js", d + "\\Local Storage\\leveldb", d + "\\Sessions",
            d + "\\GPUCache", cached + "\\cache2\\entries", cached + "\\startupCache"};
}

}  // namespace

void PlantBrowserTraces(const std::string& root)
{
    const Planted planted = Files(root);
    for (const std::string& path : planted.traces) WriteFileText(path, "trace of " + path);
    for (const std::string& path : planted.canaries) WriteFileText(path, "keep");

    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) SetText(hive, kMsn, "SearchStrings", "secret words");
    SetText(HKEY_CURRENT_USER, kMsn, "Language", "en");
    for (const char* version : {"1.1", "3.0"}) {
        const std::string history = std::string(kGoogle) + "\\" + version + "\\History";
        SetText(HKEY_CURRENT_USER, history, "q1", "how to");
        SetRaw(HKEY_CURRENT_USER, history, "q2", REG_BINARY, std::string(700, 'b'));
        SetText(HKEY_CURRENT_USER, history, "(Default)", "keep");
    }
    SetText(HKEY_LOCAL_MACHINE, std::string(kGoogle) + "\\3.0", "Installed", "1");
    SetText(HKEY_LOCAL_MACHINE, kAol, "DDPath", root + "\\AOL");

    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet", "Targets", 0xF7F);
}

void CheckBrowserTraces(const std::string& root, ProfileCheck& check)
{
    const Planted planted = Files(root);
    for (const std::string& path : planted.traces) check.Trace(Exists(path), path);
    for (const std::string& path : planted.canaries) check.Canary(Exists(path), path);
    for (const std::string& path : KeptFolders(root)) check.Canary(Exists(path), path + " (the folder)");

    std::string search(64, '\0');
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMsn, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = static_cast<DWORD>(search.size());
        RegQueryValueExA(key, "SearchStrings", nullptr, nullptr, reinterpret_cast<BYTE*>(search.data()), &size);
        RegCloseKey(key);
        check.Trace(search[0] != '\0', "MSN SearchStrings");
    }
    check.Canary(ValueExists(HKEY_CURRENT_USER, kMsn, "Language"), "MSN Language");
    for (const char* version : {"1.1", "3.0"}) {
        const std::string history = std::string(kGoogle) + "\\" + version + "\\History";
        check.Trace(ValueExists(HKEY_CURRENT_USER, history, "q1") || ValueExists(HKEY_CURRENT_USER, history, "q2"), history);
        check.Canary(ValueExists(HKEY_CURRENT_USER, history, "(Default)"), history + " (Default)");
    }
}
