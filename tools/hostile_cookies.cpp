#include "tools/hostile_cookies.h"
#include <windows.h>
#include <set>
#include <sstream>
#include "framework/sqlite_database.h"
#include "tools/cookie_databases.h"
#include "tools/hostile_profile.h"
#include "tools/profile_tools.h"

namespace {

const char* const kInternetKey = "SOFTWARE\\Quillane\\Ombrix\\Internet";
const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kCompanions[] = {"", "-journal", "-wal", "-shm"};
const char* const kKeptHosts[] = {"friend.example", ".friend.example", "mail.friend.example"};
const char* const kGoneHosts[] = {"tracker.example", ".ads.tracker.example", "friend.example.evil.example"};
const char* const kUnknownShape = "not a cookie database Ombrix knows";
const char* const kSitesUnknown = "the friendly sites could not be read";

std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local"; }
// Chrome Beta's and the Store Firefox's: the hostile profile's own Chrome and Firefox folders are
// made ambiguous by names that differ only in case.
std::string Chromium(const std::string& root, const std::string& profile)
{
    return Local(root) + "\\Google\\Chrome Beta\\User Data\\" + profile;
}
std::string Firefox(const std::string& root, const std::string& profile)
{
    return Local(root) + "\\Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\Roaming\\Mozilla\\Firefox\\Profiles\\" +
           profile + "\\cookies.sqlite";
}
std::string Copies(const std::string& root) { return root + "\\CookieCopies"; }
std::string JournalTarget(const std::string& root) { return root + "\\Outside\\journal-target.txt"; }

struct Database {
    std::string path;
    const char* why;  // why it stays though the friendly sites are known; null when it is cleaned
};
std::vector<Database> Databases(const std::string& root)
{
    return {{Chromium(root, "Default") + "\\Network\\Cookies", nullptr},
            {Firefox(root, "wal.default"), nullptr},
            {Chromium(root, "Profile 1") + "\\Network\\Cookies", kUnknownShape},
            {Chromium(root, "Profile 2") + "\\Network\\Cookies", kUnknownShape},
            {Chromium(root, "Profile 3") + "\\Network\\Cookies", kUnknownShape},
            {Chromium(root, "Profile 4") + "\\Network\\Cookies", kUnknownShape},
            {Chromium(root, "Profile 5") + "\\Network\\Cookies", "its -journal is not a plain file of its folder"},
            {Firefox(root, "shape.default"), kUnknownShape},
            {Firefox(root, "trigger.default"), kUnknownShape}};
}

CookieRows Rows()
{
    CookieRows rows;
    for (const char* host : kKeptHosts) rows.emplace_back(host, std::string("KEEP-") + host);
    for (const char* host : kGoneHosts) rows.emplace_back(host, std::string("GONE-") + host);
    return rows;
}

// The list as the registry stores it.
std::pair<DWORD, std::string> StoredSites(HostileSites sites)
{
    std::string list;
    switch (sites) {
    case HostileSites::Thousands:
        for (int n = 0; n < 3000; ++n) list += "friendly-site-" + std::to_string(n) + ".example.org" + '\0';
        return {REG_MULTI_SZ, list + "friend.example" + '\0' + '\0'};
    case HostileSites::Binary:
        return {REG_BINARY, std::string("friend.example") + '\0' + '\0'};
    case HostileSites::NoHost:
        return {REG_MULTI_SZ, std::string("https://friend.example/") + '\0' + "*.friend.example" + '\0' + '\0'};
    }
    return {};
}

std::string SitesName(HostileSites sites)
{
    return sites == HostileSites::Thousands ? "thousands" : sites == HostileSites::Binary ? "binary" : "no host";
}

HostileSites PlantedSites(const std::string& root)
{
    const std::string name = ReadFileText(Copies(root) + "\\sites.txt");
    return name == "binary" ? HostileSites::Binary : name == "no host" ? HostileSites::NoHost : HostileSites::Thousands;
}

// Every byte of a database and of its companions as they lie.
std::string AllBytes(const std::string& path)
{
    std::string bytes;
    for (const char* suffix : kCompanions) bytes.append("[").append(suffix).append("]").append(ReadFileText(path + suffix));
    return bytes;
}

std::vector<unsigned char> Bytes(const std::string& path)
{
    const std::string text = ReadFileText(path);
    return {text.begin(), text.end()};
}

// The hosts of a database as a browser would read them, its journal and WAL applied, changing nothing.
std::set<std::string> Hosts(const std::string& path, bool chromium)
{
    SqliteImage image{Bytes(path), std::nullopt, std::nullopt};
    if (Exists(path + "-wal")) image.wal = Bytes(path + "-wal");
    CSqliteDatabase db(std::move(image));
    CSqliteStatement rows(db, chromium ? "SELECT host_key FROM cookies" : "SELECT host FROM moz_cookies");
    std::set<std::string> hosts;
    while (rows.Step()) hosts.insert(rows.Text(0));
    return hosts;
}

bool AnyLogHas(const std::vector<std::string>& logs, const std::string& text)
{
    for (const std::string& log : logs)
        if (log.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

void PlantHostileCookies(const std::string& root, HostileSites sites)
{
    const CookieRows rows = Rows();
    const std::vector<Database> databases = Databases(root);
    PlantCookieDatabase(databases[0].path, true, rows);
    PlantCookieDatabaseWithWal(databases[1].path, rows, 2);
    const CookieShape shapes[] = {CookieShape::CopyingTrigger, CookieShape::View, CookieShape::VirtualTable,
                                  CookieShape::WithoutRowid};
    for (int n = 0; n < 4; ++n) PlantStrangeCookieDatabase(databases[2 + n].path, shapes[n], rows);
    PlantCookieDatabase(databases[6].path, true, rows);
    PlantCookieDatabase(databases[7].path, true, rows);
    PlantStrangeCookieDatabase(databases[8].path, CookieShape::FirefoxCopyingTrigger, rows);
    for (const char* profile : {"Default", "Profile 1", "Profile 2", "Profile 3", "Profile 4", "Profile 5"})
        WriteFileText(Chromium(root, profile) + "\\Preferences", "{}");
    WriteFileText(JournalTarget(root), HostileCanaryContent(JournalTarget(root)));
    RunUnixScript("ln -s '" + UnixPathOf(JournalTarget(root)) + "' '" + UnixPathOf(databases[6].path) + "-journal'\n");
    for (size_t n = 0; n < databases.size(); ++n)
        WriteFileText(Copies(root) + "\\" + std::to_string(n), AllBytes(databases[n].path));
    WriteFileText(Copies(root) + "\\sites.txt", SitesName(sites));
    // The browsers are found through the user's shell folders: the local one is the profile's own,
    // whatever an earlier profile planted there.
    SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", REG_EXPAND_SZ,
           std::string("%USERPROFILE%\\AppData\\Local") + '\0');
    const auto [type, bytes] = StoredSites(sites);
    SetRaw(HKEY_CURRENT_USER, kInternetKey, "FriendlySites", type, bytes);
}

std::vector<std::string> HostileCookieDatabases(const std::string& root)
{
    std::vector<std::string> paths;
    for (const Database& database : Databases(root)) paths.push_back(database.path);
    return paths;
}

void CheckHostileCookies(const std::string& root, const std::vector<std::string>& logs, std::vector<std::string>& problems)
{
    const HostileSites sites = PlantedSites(root);
    const bool known = sites == HostileSites::Thousands;
    // One sweep alone writes each line; two at once may find a database the other holds.
    const bool alone = logs.size() == 1;
    const std::vector<Database> databases = Databases(root);
    for (size_t n = 0; n < databases.size(); ++n) {
        const Database& database = databases[n];
        if (known && !database.why) {
            const bool chromium = database.path.find("Chrome Beta") != std::string::npos;
            const std::set<std::string> kept(std::begin(kKeptHosts), std::end(kKeptHosts));
            if (Hosts(database.path, chromium) != kept) problems.push_back("cookies not kept exactly: " + database.path);
            if (AllBytes(database.path).find("GONE-") != std::string::npos)
                problems.push_back("another site's cookie is still readable: " + database.path);
            if (!AnyLogHas(logs, "Delete 3 cookie(s) from " + database.path + ", keep 3 of friendly sites."))
                problems.push_back("no line for the cookies deleted from " + database.path);
            continue;
        }
        if (AllBytes(database.path) != ReadFileText(Copies(root) + "\\" + std::to_string(n)))
            problems.push_back("cookie database changed: " + database.path);
        const std::string why = known ? database.why : kSitesUnknown;
        if (!AnyLogHas(logs, "  Left: " + database.path + (alone ? " (" + why + ")." : " (")))
            problems.push_back("no line for the database left: " + database.path + " (" + why + ")");
        if (AnyLogHas(logs, "cookie(s) from " + database.path + ","))
            problems.push_back("cookies said deleted from a database left: " + database.path);
    }
    if (ReadFileText(JournalTarget(root)) != HostileCanaryContent(JournalTarget(root)))
        problems.push_back("canary changed or lost: " + JournalTarget(root));
    const auto [type, bytes] = StoredSites(sites);
    HKEY key = nullptr;
    std::string stored(bytes.size() + 16, '\0');
    DWORD storedType = REG_NONE, size = static_cast<DWORD>(stored.size());
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternetKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "FriendlySites", nullptr, &storedType, reinterpret_cast<BYTE*>(stored.data()), &size) ==
            ERROR_SUCCESS)
            stored.resize(size);
        RegCloseKey(key);
    }
    if (storedType != type || stored != bytes) problems.push_back("the stored friendly sites were rewritten");
}
