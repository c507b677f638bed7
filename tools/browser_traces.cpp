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
    std::vector<std::string> passwords;  // traces with "Auto-Complete Password" ticked, else canaries
};

std::string Roaming(const std::string& root) { return root + "\\Profile\\AppData\\Roaming"; }
std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local"; }

// Today's browsers: Edge with two profiles, Brave, Vivaldi, Opera (the root is the profile) and
// Opera GX (its Default is), the Firefox forks and the Store build of Firefox, and Chrome's new places.
void AddTodaysBrowsers(const std::string& root, Planted& p)
{
    const std::string local = Local(root), roaming = Roaming(root);
    const std::string edge = local + "\\Microsoft\\Edge\\User Data", e1 = edge + "\\Default", e2 = edge + "\\Profile 2";
    const std::string chrome = local + "\\Google\\Chrome\\User Data\\Default";
    const std::string brave = local + "\\BraveSoftware\\Brave-Browser\\User Data\\Default";
    const std::string vivaldi = local + "\\Vivaldi\\User Data\\Default";
    const std::string opera = roaming + "\\Opera Software\\Opera Stable", operaCache = local + "\\Opera Software\\Opera Stable";
    const std::string gx = roaming + "\\Opera Software\\Opera GX Stable\\Default";
    const std::string waterfox = roaming + "\\Waterfox\\Profiles\\w1.default";
    const std::string libre = roaming + "\\librewolf\\Profiles\\l1.default";
    const std::string pale = roaming + "\\Moonchild Productions\\Pale Moon\\Profiles\\p1.default";
    const std::string store =
        local + "\\Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\Roaming\\Mozilla\\Firefox\\Profiles\\s1.default";
    for (const std::string& profile : {e1, e2, chrome}) {
        for (const char* file : {"\\History", "\\Network\\Cookies", "\\Top Sites", "\\Shortcuts", "\\Favicons",
                                 "\\Favicons-journal", "\\Network Action Predictor", "\\Session Storage\\000003.log",
                                 "\\IndexedDB\\https_example.com_0.indexeddb.leveldb\\000003.log",
                                 "\\Service Worker\\CacheStorage\\0a1b\\index", "\\Service Worker\\ScriptCache\\js"})
            p.traces.push_back(profile + file);
        p.canaries.push_back(profile + "\\IndexedDB\\chrome-extension_abc_0.indexeddb.leveldb\\000003.log");
        p.canaries.push_back(profile + "\\Bookmarks");
        p.passwords.push_back(profile + "\\Login Data For Account");
    }
    p.passwords.push_back(e1 + "\\Login Data");
    p.canaries.insert(p.canaries.end(), {e2 + "\\Preferences", e1 + "\\Preferences",
                                         e1 + "\\Extensions\\x\\manifest.json", e1 + "\\Secure Preferences"});
    p.traces.insert(p.traces.end(), {edge + "\\ShaderCache\\data_0", edge + "\\GrShaderCache\\data_1",
                                     brave + "\\History", brave + "\\Network\\Cookies", vivaldi + "\\History",
                                     opera + "\\History", opera + "\\Network\\Cookies", operaCache + "\\Cache\\Cache_Data\\data_0",
                                     gx + "\\History", waterfox + "\\places.sqlite", libre + "\\cookies.sqlite",
                                     pale + "\\places.sqlite", store + "\\places.sqlite", store + "\\formhistory.sqlite"});
    p.canaries.insert(p.canaries.end(), {vivaldi + "\\Notes", opera + "\\Preferences", opera + "\\Bookmarks",
                                         gx + "\\Preferences", waterfox + "\\prefs.js",
                                         waterfox + "\\bookmarkbackups\\b.jsonlz4", libre + "\\extensions.json"});
    p.passwords.insert(p.passwords.end(), {opera + "\\Login Data", waterfox + "\\logins.json", store + "\\key4.db"});
    // Edge's Local State lists Default and Profile 2: a folder it does not list is no profile.
    p.canaries.push_back(edge + "\\Profile 9\\Network\\Cookies");
    // Waterfox's profiles.ini also names a profile outside its Profiles folder.
    p.traces.push_back(root + "\\Elsewhere\\custom.default\\places.sqlite");
    // A profiles.ini that names the user's profile folder: the walk rules refuse it.
    p.canaries.push_back(root + "\\Profile\\places.sqlite");
}

std::string ManyProfiles()
{
    std::string json = "{\"profile\":{\"info_cache\":{";
    for (int i = 0; i < 500; ++i) json += "\"Profile " + std::to_string(i) + "\":{\"name\":\"p\"},";
    return json + "\"Default\":{}}}}";
}

// The lists the browsers keep of their profiles, good and hostile.
void PlantProfileLists(const std::string& root)
{
    const std::string local = Local(root), roaming = Roaming(root);
    WriteFileText(local + "\\Microsoft\\Edge\\User Data\\Local State",
                  "{\"browser\":{\"x\":[1,2.5e3,true,null]},\"profile\":{\"info_cache\":{\"Default\":{\"name\":\"A\"},"
                  "\"Profile 2\":{\"name\":\"B\"}},\"last_used\":\"Default\"}}");
    WriteFileText(local + "\\Microsoft\\Edge\\User Data\\Profile 9\\Preferences", "{}");
    WriteFileText(local + "\\BraveSoftware\\Brave-Browser\\User Data\\Local State",
                  "{\"profile\":{\"info_cache\":{\"..\":{},\"C:\\\\Windows\":{},\"..\\\\..\\\\Profile\":{},\"Default\":{}}}}");
    WriteFileText(local + "\\Vivaldi\\User Data\\Local State", ManyProfiles());
    WriteFileText(local + "\\Chromium\\User Data\\Local State", std::string(3000, '{'));
    WriteFileText(roaming + "\\Waterfox\\profiles.ini",
                  "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\nIsRelative=1\r\n"
                  "Path=Profiles/w1.default\r\n\r\n[Profile1]\r\nName=custom\r\nIsRelative=0\r\nPath=" +
                      root + "\\Elsewhere\\custom.default\r\n\r\n[Profile2]\r\nIsRelative=0\r\nPath=C:\\\r\n"
                      "[Profile3]\r\nIsRelative=1\r\nPath=..\\..\r\n[Profile4]\r\nName=no path\r\n[Profile5]\r\n"
                      "IsRelative=0\r\nPath=" + root + "\\Profile\r\n");
    std::string junk(4096, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 131) % 251);
    WriteFileText(roaming + "\\librewolf\\profiles.ini", "[Profile0]\nPath=" + junk + "\n" + junk);
    std::string sections;
    for (int i = 0; i < 1000; ++i) sections += "[Profile" + std::to_string(i) + "]\nIsRelative=1\nPath=Profiles/none" + std::to_string(i) + "\n";
    WriteFileText(roaming + "\\Moonchild Productions\\Pale Moon\\profiles.ini", sections);
}

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
        fresh + "\\formhistory.sqlite", fresh + "\\cert9.db",
        fresh + "\\sessionstore.jsonlz4", fresh + "\\sessionstore-backups\\recovery.jsonlz4",
        fresh + "\\Cache\\4F2A11", old + "\\history.dat", old + "\\cookies.txt", old + "\\downloads.rdf",
        old + "\\cert8.db", old + "\\localstore.rdf", old + "\\formhistory.dat",
        nightly + "\\places.sqlite", cached + "\\cache2\\entries\\E1A2", cached + "\\cache2\\doomed\\D1",
        cached + "\\cache2\\index", cached + "\\startupCache\\startupCache.8.little", cached + "\\Cache\\old.bin",
        d + "\\History", d + "\\History-journal", d + "\\History Provider Cache", d + "\\Cookies",
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
    p.passwords = {fresh + "\\logins.json", fresh + "\\key4.db", old + "\\key3.db", d + "\\Login Data"};
    AddTodaysBrowsers(root, p);
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
    for (const std::string& path : planted.passwords) WriteFileText(path, "saved passwords");
    WriteFileText(RunningBrowserFile(root), "held by the browser");
    PlantProfileLists(root);

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

    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet", "Targets", 0x3F7F);
}

std::string RunningBrowserFile(const std::string& root)
{
    return Local(root) + "\\Microsoft\\Edge\\User Data\\Profile 2\\Cookies";
}

void CheckBrowserTraces(const std::string& root, bool passwordsSwept, ProfileCheck& check)
{
    const Planted planted = Files(root);
    for (const std::string& path : planted.traces) check.Trace(Exists(path), path);
    for (const std::string& path : planted.canaries) check.Canary(ReadFileText(path) == "keep", path);
    for (const char* list : {"\\Microsoft\\Edge\\User Data\\Local State", "\\Vivaldi\\User Data\\Local State"})
        check.Canary(Exists(Local(root) + list), Local(root) + list);
    check.Canary(Exists(Roaming(root) + "\\Waterfox\\profiles.ini"), "Waterfox's profiles.ini");
    for (const std::string& path : planted.passwords) {
        if (passwordsSwept) check.Trace(Exists(path), path);
        else check.Canary(ReadFileText(path) == "saved passwords", path + " (saved passwords)");
    }
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
