#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>
#include <map>
#include "cleaners/internet_cleaners.h"
#include "engine/sweep_log.h"
#include "engine/system_kind.h"
#include "engine/url_cache_sweep.h"
#include "framework/key_security.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {

class InternetExplorerTest : public SandboxTest {
protected:
    void TearDown() override
    {
        SetSystemKind(SystemKind::Other);
        g_generalSettings.Targets = m_general;
        g_internetSettings.ReplaceFriendlySites({});
        SandboxTest::TearDown();
    }
    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
    uint32_t m_general = g_generalSettings.Targets;
};

bool EntryExists(const std::string& url)
{
    DWORD size = 0;
    return GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) || GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace

TEST(SystemKindTest, VersionRecordsGiveTheirKinds)
{
    struct Row {
        DWORD platform, major, minor;
        int kind;
    };
    const Row rows[] = {{0, 3, 1, SystemKind::Win32s},    {1, 4, 0, SystemKind::Windows95},
                        {1, 4, 10, SystemKind::Windows98}, {1, 4, 90, SystemKind::WindowsMe},
                        {1, 4, 3, SystemKind::Other},      {2, 3, 51, SystemKind::WindowsNT4},
                        {2, 4, 0, SystemKind::WindowsNT4}, {2, 5, 0, SystemKind::Windows2000},
                        {2, 5, 1, SystemKind::WindowsXP},  {2, 5, 2, SystemKind::Other},
                        {2, 6, 1, SystemKind::Other},      {2, 10, 0, SystemKind::Other}};
    for (const Row& row : rows) {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        version.dwPlatformId = row.platform;
        version.dwMajorVersion = row.major;
        version.dwMinorVersion = row.minor;
        EXPECT_EQ(ClassifySystem(version), row.kind) << row.platform << " " << row.major << "." << row.minor;
    }
}

// On XP the user's SID store is opened, deleted and its parents' DACLs put back; a store that is not
// there is neither logged nor counted. On other systems only the user-name store is looked at.
TEST_F(InternetExplorerTest, FormsCleanerDeletesOnlyStoresThereAndPutsTheSecurityBack)
{
    const std::vector<BYTE> sid = KeySecurity::CurrentUserSid();
    ASSERT_FALSE(sid.empty());
    const std::string sidKey = "Software\\Microsoft\\Protected Storage System Provider\\" +
                               KeySecurity::SidText(const_cast<BYTE*>(sid.data()));
    const std::string store = sidKey + "\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";
    reg::SetRaw(HKEY_CURRENT_USER, store + "\\e161255a-37c3-11d2-bcaa-00c04fd929db", "Item", REG_BINARY, "form");
    reg::SetText(HKEY_CURRENT_USER, sidKey + "\\Data", "Other", "keep");

    SetSystemKind(SystemKind::Other);
    CleanAutoCompleteForms(&m_counter, &m_kb);
    EXPECT_TRUE(reg::KeyExists(HKEY_CURRENT_USER, store));
    EXPECT_EQ(m_counter, 0) << m_log.Log();

    std::vector<BYTE> before, after;
    ASSERT_TRUE(KeySecurity::Save(HKEY_CURRENT_USER, sidKey, before));
    SetSystemKind(SystemKind::WindowsXP);
    CleanAutoCompleteForms(&m_counter, &m_kb);
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, store));
    EXPECT_TRUE(reg::ValueExists(HKEY_CURRENT_USER, sidKey + "\\Data", "Other"));
    EXPECT_EQ(m_counter, 1) << m_log.Log();
    EXPECT_EQ(m_log.Count("  Item 1, Delete registry key: HKEY_CURRENT_USER\\" + store), 1u);
    ASSERT_TRUE(KeySecurity::Save(HKEY_CURRENT_USER, sidKey, after));
    EXPECT_EQ(before, after) << "the SID key keeps its own DACL";
}

// Entries from elsewhere: a local file that is a second name of a file outside the cache is not
// shredded and the file outside keeps its data (Wine takes no entry with a file outside the cache
// itself), a URL longer than the line gets the short line, an entry without a file goes with size 0.
TEST_F(InternetExplorerTest, CacheEntriesNeverTouchFilesOutsideTheCache)
{
    g_generalSettings.Targets = m_general | GeneralBit::Shredder;
    const std::string outside = Path("thesis.doc");
    files::Write(outside, "my thesis");
    FILETIME none{};
    char linked[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryA("http://hostile.example/thesis", 0, "doc", linked, 0));
    DeleteFileA(linked);
    ASSERT_TRUE(CreateHardLinkA(linked, outside.c_str(), nullptr));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://hostile.example/thesis", linked, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                                     nullptr, nullptr));
    // An entry whose file is a link to a document is never handed to the cache, which would delete
    // the document by the link.
    const std::string letter = Path("letter.doc");
    files::Write(letter, "my letter");
    char symlinked[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryA("http://hostile.example/letter", 0, "doc", symlinked, 0));
    DeleteFileA(symlinked);
    ASSERT_TRUE(files::MakeFolderLink(symlinked, letter));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://hostile.example/letter", symlinked, none, none, NORMAL_CACHE_ENTRY, nullptr,
                                     0, nullptr, nullptr));
    const std::string longUrl = "http://long.example/" + std::string(3000, 'q');
    char file[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryA(longUrl.c_str(), 0, "htm", file, 0));
    files::Write(file, "long");
    ASSERT_TRUE(CommitUrlCacheEntryA(longUrl.c_str(), file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));
    ASSERT_TRUE(CommitUrlCacheEntryA("http://nofile.example/", nullptr, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                                     nullptr, nullptr));

    SweepUrlCache(kContentEntries, "", "Contents Cache", kStatusInternet, &m_counter, &m_kb);
    EXPECT_EQ(files::Read(outside), "my thesis");
    EXPECT_EQ(files::Read(letter), "my letter");
    EXPECT_TRUE(EntryExists("http://hostile.example/letter")) << "passed over";
    // The rest of the Internet sweep, the Shredder still on, passes over the link too.
    CleanTemporaryInternetFiles(&m_counter, &m_kb);
    CleanCookies(&m_counter, &m_kb);
    CleanInternetHistory(&m_counter, &m_kb);
    EXPECT_EQ(files::Read(letter), "my letter") << m_log.Log();
    EXPECT_TRUE(files::Exists(symlinked));
    files::RemoveLink(symlinked);
    DeleteUrlCacheEntryA("http://hostile.example/letter");
    for (const std::string& url : {std::string("http://hostile.example/thesis"), longUrl, std::string("http://nofile.example/")})
        EXPECT_FALSE(EntryExists(url)) << url.substr(0, 40);
    EXPECT_FALSE(files::Exists(file)) << "the entry's own file goes with it";
    EXPECT_EQ(m_log.Count("Contents Cache: a cache its name is longer than 256."), 1u) << m_log.Log();
    EXPECT_EQ(m_log.Count("Contents Cache: delete http://nofile.example/-:0.000000(KB)"), 1u) << m_log.Log();
}

// A friendly site keeps its cookie entries, file and all, and its subdomains'; a look-alike's go.
TEST_F(InternetExplorerTest, FriendlySitesKeepTheirCookieEntries)
{
    ASSERT_TRUE(g_internetSettings.ReplaceFriendlySites({"friend.com"}));
    FILETIME none{};
    std::map<std::string, std::string> files;
    for (const char* url : {"Cookie:user@mail.friend.com/", "Cookie:user@friend.com/", "Cookie:user@notfriend.com/",
                            "Cookie:user@friend.com.evil.org/"}) {
        char file[MAX_PATH] = {};
        ASSERT_TRUE(CreateUrlCacheEntryA(url, 0, "txt", file, 0));
        files::Write(file, std::string("id\n1\n") + url + "\n");
        ASSERT_TRUE(CommitUrlCacheEntryA(url, file, none, none, COOKIE_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));
        files[url] = file;
    }
    CleanCookies(&m_counter, &m_kb);
    for (const auto& [url, file] : files) {
        const bool friendly = url.find("@notfriend") == std::string::npos && url.find(".evil.") == std::string::npos;
        EXPECT_EQ(EntryExists(url), friendly) << url;
        EXPECT_EQ(files::Exists(file), friendly) << file;
        DeleteUrlCacheEntryA(url.c_str());
    }
}

// The cache, cookie and history folders come from the shell-folder values: empty, relative, a drive
// root or not a text, they remove nothing.
TEST_F(InternetExplorerTest, HostileShellFolderValuesRemoveNothing)
{
    const std::string rootCanary = "C:\\ombrix-internet-canary.txt";
    files::Write(rootCanary, "keep");
    files::Write(Path("keep.txt"), "keep");
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (const char* hostile : {"", "C:\\", "C:", "\\", "Cache", "C:\\ombrix\\.."}) {
        for (const char* keyName : {"User Shell Folders", "Shell Folders"})
            for (const char* value : {"Cache", "Cookies", "History"}) reg::SetText(HKEY_CURRENT_USER, cv + keyName, value, hostile);
        reg::SetNumber(HKEY_CURRENT_USER, cv + "Shell Folders", "Local Settings", 3);
        CleanTemporaryInternetFiles(&m_counter, &m_kb);
        CleanCookies(&m_counter, &m_kb);
        CleanInternetHistory(&m_counter, &m_kb);
    }
    EXPECT_EQ(files::Read(rootCanary), "keep");
    EXPECT_EQ(files::Read(Path("keep.txt")), "keep");
    DeleteFileA(rootCanary.c_str());
}
