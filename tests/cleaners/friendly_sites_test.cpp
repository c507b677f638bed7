#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include "cleaners/internet_cleaners.h"
#include "engine/sweep_preview.h"
#include "framework/sqlite_database.h"
#include "settings/settings_groups.h"
#include "tests/support/cookie_databases.h"
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
