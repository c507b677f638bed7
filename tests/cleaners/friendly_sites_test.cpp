#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>
#include <set>
#include "cleaners/internet_cleaners.h"
#include "engine/sweep_preview.h"
#include "framework/sqlite_database.h"
#include "settings/settings_groups.h"
#include "tools/cookie_databases.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The hosts each planted database holds: the friendly site, its subdomains and its own domain
// cookie (kept), look-alikes and trackers (gone).
const char* const kKeptHosts[] = {"friend.com", ".friend.com", "mail.friend.com", "MAIL.Friend.COM"};
const char* const kGoneHosts[] = {"notfriend.com", "friend.com.evil.org", ".tracker.net", "friend.com-x.net"};
constexpr int kTrackerRows = 120;
constexpr int kGoneRows = 4 + kTrackerRows;

std::string Value(const std::string& host, bool kept) { return (kept ? "KEEP-" : "GONE-") + host + "-secret"; }

void PlantCookies(const std::string& path, bool chromium)
{
    CookieRows rows;
    for (const char* host : kKeptHosts) rows.emplace_back(host, Value(host, true));
    for (const char* host : kGoneHosts) rows.emplace_back(host, Value(host, false));
    for (int n = 0; n < kTrackerRows; ++n) {
        const std::string host = "ads" + std::to_string(n) + ".tracker.net";
        rows.emplace_back(host, Value(host, false));
    }
    ASSERT_TRUE(PlantCookieDatabase(path, chromium, rows)) << path;
}

std::set<std::string> Hosts(const std::string& path, bool chromium)
{
    CSqliteDatabase db(path, CSqliteDatabase::Mode::ReadOnly);
    CSqliteStatement rows(db, chromium ? "SELECT host_key FROM cookies" : "SELECT host FROM moz_cookies");
    std::set<std::string> hosts;
    while (rows.Step()) hosts.insert(rows.Text(0));
    return hosts;
}

std::string QueryText(const std::string& path, const char* sql)
{
    CSqliteDatabase db(path, CSqliteDatabase::Mode::ReadOnly);
    CSqliteStatement query(db, sql);
    return query.Step() ? query.Text(0) : "(failed: " + db.Error() + ")";
}

// Every byte of a database and its companions, as they lie in the folder.
std::string AllBytes(const std::string& path)
{
    std::string bytes;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        if (files::Exists(path + suffix)) bytes += files::Read(path + suffix);
    return bytes;
}

class FriendlySitesTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        reg::SetText(HKEY_CURRENT_USER, kUserShellFolders, "AppData", Path("Roaming"));
        reg::SetText(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", Path("Local"));
        ASSERT_TRUE(g_internetSettings.ReplaceFriendlySites({"friend.com"}));
    }
    void TearDown() override
    {
        g_internetSettings.ReplaceFriendlySites({});
        SandboxTest::TearDown();
    }
    void Sweep()
    {
        CleanChrome(&m_counter, &m_kb);
        CleanFirefox(&m_counter, &m_kb);
    }
    // The stored list as the user's registry holds it, read as at start-up.
    void StoreSites(DWORD type, const std::string& bytes)
    {
        reg::SetRaw(HKEY_CURRENT_USER, kInternetSettingsKey, "FriendlySites", type, bytes);
        ASSERT_TRUE(g_internetSettings.LoadAtStartup(kInternetSettingsKey));
    }
    std::string Chrome(const std::string& relative) { return Path("Local\\Google\\Chrome\\User Data\\" + relative); }
    std::string Firefox(const std::string& relative) { return Path("Roaming\\Mozilla\\Firefox\\Profiles\\" + relative); }

    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
};

}  // namespace

// Friendly sites set: every cookie database keeps exactly their rows, still valid with the browser's
// schema, and no byte of another site's cookie is left in it or beside it. A database another
// program holds, a broken one, a file that is no database and one whose WAL is a link to another
// file all stay as they are, and the sweep goes on past them. The preview counts and changes nothing.
TEST_F(FriendlySitesTest, CookieDatabasesKeepExactlyTheFriendlySitesRows)
{
    const std::string chrome = Chrome("Default\\Network\\Cookies");
    const std::string firefox = Firefox("abc.default\\cookies.sqlite");
    const std::string afterBroken = Chrome("Profile 4\\Network\\Cookies");
    PlantCookies(chrome, true);
    PlantCookies(firefox, false);
    PlantCookies(afterBroken, true);
    const std::string held = Chrome("Profile 1\\Network\\Cookies");
    PlantCookies(held, true);
    const std::string broken = Chrome("Profile 2\\Network\\Cookies");
    PlantCookies(broken, true);
    files::WriteAt(broken, 1024, std::string(3000, '\x5A'));
    const std::string notDatabase = Chrome("Profile 3\\Network\\Cookies");
    files::Write(notDatabase, "GONE-not a database at all");
    const std::string linkedWal = Firefox("link.default\\cookies.sqlite");
    PlantCookies(linkedWal, false);
    files::Write(Path("outside\\notes.txt"), "the user's notes");
    ASSERT_TRUE(files::MakeFolderLink(linkedWal + "-wal", Path("outside\\notes.txt")));
    // A link that leads nowhere yet. Windows lists it, and the database stays; Wine shows it to no
    // listing, so the database may be cleaned here, but nothing may be written where it leads.
    const std::string danglingWal = Firefox("dangling.default\\cookies.sqlite");
    PlantCookies(danglingWal, false);
    ASSERT_TRUE(files::MakeDanglingLink(danglingWal + "-wal", Path("outside\\never.txt")));
    for (const char* profile : {"Profile 1", "Profile 2", "Profile 3", "Profile 4"})
        files::Write(Chrome(std::string(profile) + "\\Preferences"), "{}");
    files::Write(Chrome("Default\\IndexedDB\\https_mail.friend.com_0.indexeddb.leveldb\\000003.log"), "kept");
    files::Write(Chrome("Default\\IndexedDB\\https_notfriend.com_0.indexeddb.leveldb\\000003.log"), "gone");
    files::Write(Chrome("Default\\Local Storage\\leveldb\\000003.log"), "every site's");

    const std::vector<std::string> untouched{held, broken, notDatabase, linkedWal};
    std::vector<std::string> before;
    for (const std::string& path : untouched) before.push_back(AllBytes(path));
    const std::string chromeBefore = AllBytes(chrome), firefoxBefore = AllBytes(firefox);
    {
        HANDLE hold = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hold, INVALID_HANDLE_VALUE);
        {
            CPreviewScope preview;
            Sweep();
        }
        EXPECT_TRUE(AllBytes(chrome) == chromeBefore);
        EXPECT_TRUE(AllBytes(firefox) == firefoxBefore);
        const std::string going = "Delete " + std::to_string(kGoneRows) + " cookie(s) from ";
        EXPECT_EQ(m_log.Count(going + chrome + ", keep 4 of friendly sites."), 1u) << m_log.Log();
        EXPECT_EQ(m_log.Count(going + firefox + ", keep 4 of friendly sites."), 1u) << m_log.Log();
        m_counter = 0;
        Sweep();
        CloseHandle(hold);
    }

    const std::set<std::string> kept(std::begin(kKeptHosts), std::end(kKeptHosts));
    for (const auto& [path, chromium] : {std::pair{chrome, true}, {firefox, false}, {afterBroken, true}}) {
        EXPECT_EQ(Hosts(path, chromium), kept) << path;
        EXPECT_EQ(QueryText(path, "PRAGMA integrity_check"), "ok") << path;
        EXPECT_EQ(QueryText(path, "PRAGMA user_version"), chromium ? "24" : "14") << path;
        const std::string bytes = AllBytes(path);
        EXPECT_EQ(bytes.find("GONE-"), std::string::npos) << path;
        EXPECT_NE(bytes.find("KEEP-mail.friend.com"), std::string::npos) << path;
        EXPECT_EQ(m_log.Count("Delete " + std::to_string(kGoneRows) + " cookie(s) from " + path), 2u) << m_log.Log();
    }
    EXPECT_EQ(files::ReadAt(firefox, 18, 2), std::string("\x02\x02"));  // still in WAL mode, as Firefox keeps it
    for (size_t n = 0; n < untouched.size(); ++n) EXPECT_TRUE(AllBytes(untouched[n]) == before[n]) << untouched[n];
    EXPECT_EQ(files::Read(Path("outside\\notes.txt")), "the user's notes");
    EXPECT_FALSE(files::Exists(Path("outside\\never.txt"))) << "nothing was written through the dangling link";
    EXPECT_EQ(m_log.Count("Left: " + held + " (in use)."), 2u) << m_log.Log();
    // Every database passed over says so, in the preview as in the sweep.
    for (const std::string& path : {broken, notDatabase})
        EXPECT_EQ(m_log.Count("Left: " + path + " (not a cookie database Ombrix knows)."), 2u) << m_log.Log();
    EXPECT_EQ(m_log.Count("Left: " + linkedWal + " (its -wal is not a plain file of its folder)."), 2u) << m_log.Log();
    EXPECT_TRUE(files::Exists(Chrome("Default\\IndexedDB\\https_mail.friend.com_0.indexeddb.leveldb\\000003.log")));
    EXPECT_FALSE(files::Exists(Chrome("Default\\IndexedDB\\https_notfriend.com_0.indexeddb.leveldb\\000003.log")));
    EXPECT_TRUE(files::Exists(Chrome("Default\\Local Storage\\leveldb\\000003.log")));
    EXPECT_GE(m_counter, 3 * kGoneRows);
    files::RemoveLink(linkedWal + "-wal");
    files::RemoveLink(danglingWal + "-wal");
}

// Without friendly sites the databases go whole, as before.
TEST_F(FriendlySitesTest, WithoutFriendlySitesTheDatabasesGoWhole)
{
    g_internetSettings.ReplaceFriendlySites({});
    const std::string chrome = Chrome("Default\\Network\\Cookies");
    const std::string firefox = Firefox("abc.default\\cookies.sqlite");
    PlantCookies(chrome, true);
    PlantCookies(firefox, false);
    files::Write(Chrome("Default\\Local Storage\\leveldb\\000003.log"), "every site's");
    Sweep();
    EXPECT_FALSE(files::Exists(chrome));
    EXPECT_FALSE(files::Exists(firefox));
    EXPECT_FALSE(files::Exists(Chrome("Default\\Local Storage\\leveldb\\000003.log")));
    EXPECT_EQ(m_log.Count("cookie(s) from"), 0u);
}

// Databases in shapes no browser writes stay whole with their line, every cookie in them readable: a
// trigger that keeps each deleted row (Firefox's in WAL mode too, never opened for writing, which would
// fold its WAL into it), "cookies" as a view or a virtual table, a table without rowid, Firefox's file
// in Chromium's shape, and a database whose journal is a link. A Firefox database
// whose rows are mostly in its WAL is previewed as it is swept, and the preview changes no byte.
TEST_F(FriendlySitesTest, OnlyTheShapesBrowsersWriteAreCleanedRowByRow)
{
    const CookieRows rows{{"friend.com", Value("friend.com", true)},
                          {"tracker.net", Value("tracker.net", false)},
                          {"ads.tracker.net", Value("ads.tracker.net", false)}};
    const std::vector<std::pair<std::string, CookieShape>> strange{
        {Chrome("Profile 11\\Network\\Cookies"), CookieShape::CopyingTrigger},
        {Chrome("Profile 12\\Network\\Cookies"), CookieShape::View},
        {Chrome("Profile 13\\Network\\Cookies"), CookieShape::VirtualTable},
        {Chrome("Profile 14\\Network\\Cookies"), CookieShape::WithoutRowid}};
    for (const auto& [path, shape] : strange) ASSERT_TRUE(PlantStrangeCookieDatabase(path, shape, rows)) << path;
    const std::string firefoxTrigger = Firefox("trigger.default\\cookies.sqlite");
    ASSERT_TRUE(PlantStrangeCookieDatabase(firefoxTrigger, CookieShape::FirefoxCopyingTrigger, rows));
    ASSERT_TRUE(files::Exists(firefoxTrigger + "-wal"));
    const std::string chromeShaped = Firefox("shape.default\\cookies.sqlite");
    ASSERT_TRUE(PlantCookieDatabase(chromeShaped, true, rows));
    const std::string linkedJournal = Chrome("Profile 15\\Network\\Cookies");
    ASSERT_TRUE(PlantCookieDatabase(linkedJournal, true, rows));
    files::Write(Path("outside\\journal.txt"), "the user's journal");
    ASSERT_TRUE(files::MakeFolderLink(linkedJournal + "-journal", Path("outside\\journal.txt")));
    for (int n = 11; n <= 15; ++n) files::Write(Chrome("Profile " + std::to_string(n) + "\\Preferences"), "{}");
    CookieRows walRows = rows;
    for (const char* host : {"mail.friend.com", "cdn.tracker.net", "pixel.tracker.net", "beacon.tracker.net"})
        walRows.emplace_back(host, Value(host, std::string(host).find("friend") != std::string::npos));
    const std::string wal = Firefox("wal.default\\cookies.sqlite");
    ASSERT_TRUE(PlantCookieDatabaseWithWal(wal, walRows, 2));
    ASSERT_TRUE(files::Exists(wal + "-wal"));

    std::vector<std::string> left{chromeShaped, firefoxTrigger, linkedJournal};
    for (const auto& entry : strange) left.push_back(entry.first);
    std::vector<std::string> before;
    for (const std::string& path : left) before.push_back(AllBytes(path));
    const std::string walBefore = AllBytes(wal);
    {
        CPreviewScope preview;
        Sweep();
    }
    EXPECT_TRUE(AllBytes(wal) == walBefore) << "the preview changed the database or its WAL";
    Sweep();

    for (size_t n = 0; n < left.size(); ++n) {
        EXPECT_TRUE(AllBytes(left[n]) == before[n]) << left[n];
        EXPECT_EQ(m_log.Count("cookie(s) from " + left[n] + ","), 0u) << m_log.Log();
    }
    for (const std::string& path :
         {chromeShaped, firefoxTrigger, strange[0].first, strange[1].first, strange[2].first, strange[3].first})
        EXPECT_EQ(m_log.Count("Left: " + path + " (not a cookie database Ombrix knows)."), 2u) << m_log.Log();
    EXPECT_EQ(m_log.Count("Left: " + linkedJournal + " (its -journal is not a plain file of its folder)."), 2u)
        << m_log.Log();
    EXPECT_EQ(QueryText(strange[0].first, "SELECT count(*) FROM kept_cookies"), "0");
    EXPECT_EQ(files::Read(Path("outside\\journal.txt")), "the user's journal");
    // Five rows go, two of them only in the WAL; preview and sweep say the same.
    EXPECT_EQ(m_log.Count("Delete 5 cookie(s) from " + wal + ", keep 2 of friendly sites."), 2u) << m_log.Log();
    EXPECT_EQ(Hosts(wal, false), (std::set<std::string>{"friend.com", "mail.friend.com"}));
    EXPECT_EQ(AllBytes(wal).find("GONE-"), std::string::npos);
    files::RemoveLink(linkedJournal + "-journal");
}

// A stored list that is there but cannot be read (another type, or no host although not empty) keeps
// every cookie of every browser: the databases, Internet Explorer's entries and files, the sites'
// storage, each store with its line. Saving the settings keeps the stored value as it is.
TEST_F(FriendlySitesTest, AFriendlySitesListThatCannotBeReadKeepsEveryCookie)
{
    using namespace std::string_literals;
    const std::string chrome = Chrome("Default\\Network\\Cookies");
    const std::string firefox = Firefox("abc.default\\cookies.sqlite");
    const std::string indexedDb = Chrome("Default\\IndexedDB\\https_notfriend.com_0.indexeddb.leveldb\\000003.log");
    const std::string storage = Chrome("Default\\Local Storage\\leveldb\\000003.log");
    const std::pair<DWORD, std::string> unreadable[] = {
        {REG_BINARY, "friend.com\0\0"s},
        {REG_SZ, "friend.com\0"s},
        {REG_MULTI_SZ, "http://friend.com/\0*.friend.com\0 \0\0"s},
        {REG_MULTI_SZ, "\0friend com\0\0"s}};
    PlantCookies(chrome, true);
    PlantCookies(firefox, false);
    files::Write(indexedDb, "kept");
    files::Write(storage, "every site's");
    const std::string chromeBefore = AllBytes(chrome), firefoxBefore = AllBytes(firefox);
    size_t round = 0;
    for (const auto& [type, bytes] : unreadable) {
        ++round;
        SCOPED_TRACE(testing::Message() << "type " << type << ": " << bytes.c_str());
        StoreSites(type, bytes);
        EXPECT_FALSE(g_internetSettings.CopyFriendlySites().has_value());
        FILETIME none{};
        char cookieFile[MAX_PATH] = {};
        const char* const url = "Cookie:user@notfriend.com/";
        ASSERT_TRUE(CreateUrlCacheEntryA(url, 0, "txt", cookieFile, 0));
        files::Write(cookieFile, "notfriend.com cookie");
        ASSERT_TRUE(CommitUrlCacheEntryA(url, cookieFile, none, none, COOKIE_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));

        Sweep();
        CleanCookies(&m_counter, &m_kb);
        EXPECT_TRUE(AllBytes(chrome) == chromeBefore);
        EXPECT_TRUE(AllBytes(firefox) == firefoxBefore);
        EXPECT_TRUE(files::Exists(indexedDb));
        EXPECT_TRUE(files::Exists(storage));
        DWORD size = 0;
        EXPECT_TRUE(GetUrlCacheEntryInfoA(url, nullptr, &size) || GetLastError() == ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(files::Read(cookieFile), "notfriend.com cookie");
        for (const std::string& path : {chrome, firefox})
            EXPECT_EQ(m_log.Count("Left: " + path + " (the friendly sites could not be read)."), round) << m_log.Log();
        char cookies[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, cookies, CSIDL_COOKIES, FALSE));
        EXPECT_EQ(m_log.Count("Left: " + std::string(cookies) + " (the friendly sites could not be read)."), round)
            << m_log.Log();
        EXPECT_EQ(m_log.Count("Cookies Cache:"), 0u) << m_log.Log();
        EXPECT_EQ(m_counter, 0) << m_log.Log();

        ASSERT_TRUE(g_internetSettings.SaveToUser(kInternetSettingsKey));
        ASSERT_TRUE(g_internetSettings.SaveFriendlyCookies());
        DWORD stored = 0;
        EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternetSettingsKey, "FriendlySites", &stored), bytes);
        EXPECT_EQ(stored, type);
        DeleteUrlCacheEntryA(url);
        DeleteFileA(cookieFile);
    }
    // An empty list, or none, is a list of no sites: no store is left for it.
    for (const std::string& empty : {"\0"s, ""s}) {
        StoreSites(REG_MULTI_SZ, empty);
        EXPECT_EQ(g_internetSettings.CopyFriendlySites(), FriendlySites{});
    }
}

// A list of thousands of sites, longer than 64 KB, is read whole: the last one still keeps its
// cookies. Ten thousand sites stored are read back as they were.
TEST_F(FriendlySitesTest, AListOfThousandsOfSitesIsReadWhole)
{
    std::string bytes;
    for (int n = 0; n < 3000; ++n) bytes += "friendly-site-" + std::to_string(n) + ".example.org" + '\0';
    bytes += std::string("friend.com") + '\0' + '\0';
    ASSERT_GT(bytes.size(), 64u * 1024);
    StoreSites(REG_MULTI_SZ, bytes);
    ASSERT_EQ(g_internetSettings.CopyFriendlySites().value_or(FriendlySites{}).size(), 3001u);
    const std::string chrome = Chrome("Default\\Network\\Cookies");
    PlantCookies(chrome, true);
    Sweep();
    EXPECT_EQ(Hosts(chrome, true), std::set<std::string>(std::begin(kKeptHosts), std::end(kKeptHosts)));
    EXPECT_EQ(m_log.Count("Delete " + std::to_string(kGoneRows) + " cookie(s) from " + chrome), 1u) << m_log.Log();

    FriendlySites many;
    for (int n = 0; n < 10000; ++n) many.push_back("site-" + std::to_string(n) + ".example");
    ASSERT_TRUE(g_internetSettings.ReplaceFriendlySites(many));
    ASSERT_TRUE(g_internetSettings.SaveFriendlyCookies());
    ASSERT_TRUE(g_internetSettings.ReplaceFriendlySites({}));
    ASSERT_TRUE(g_internetSettings.LoadAtStartup(kInternetSettingsKey));
    EXPECT_EQ(g_internetSettings.CopyFriendlySites(), many);
}
