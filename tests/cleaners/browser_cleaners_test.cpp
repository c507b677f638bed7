#include <gtest/gtest.h>
#include "cleaners/internet_cleaners.h"
#include "engine/sweep_log.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class BrowserCleanersTest : public SandboxTest {
protected:
    void SweepBrowsers()
    {
        CleanFirefox(&m_counter, &m_kb);
        CleanChrome(&m_counter, &m_kb);
    }
    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
};

}  // namespace

// The browsers' folders come from the user's shell folders: a value that is empty, relative, a drive
// root or not a text, and a "User Data" or "profiles" folder that is a link elsewhere, remove nothing.
TEST_F(BrowserCleanersTest, HostileShellFoldersAndLinkedProfilesRemoveNothing)
{
    const std::vector<std::string> rootCanaries{"C:\\Google\\Chrome\\User Data\\Default\\Cookies",
                                                "C:\\Mozilla\\Firefox\\profiles\\p\\cookies.sqlite"};
    for (const std::string& canary : rootCanaries) files::Write(canary, "keep");
    for (const char* hostile : {"", "C:\\", "C:", "\\", "Profile", "C:\\Google\\.."}) {
        reg::SetText(HKEY_CURRENT_USER, kUserShellFolders, "AppData", hostile);
        reg::SetText(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", hostile);
        SweepBrowsers();
    }
    reg::SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", REG_BINARY, "C:\\");
    reg::SetNumber(HKEY_CURRENT_USER, kUserShellFolders, "AppData", 3);
    SweepBrowsers();
    for (const std::string& canary : rootCanaries) EXPECT_TRUE(files::Exists(canary)) << canary;
    EXPECT_EQ(m_counter, 0) << m_log.Log();
    for (const std::string& canary : rootCanaries) {
        DeleteFileA(canary.c_str());
        for (std::string folder = canary.substr(0, canary.rfind('\\')); folder.size() > 3;
             folder = folder.substr(0, folder.rfind('\\')))
            RemoveDirectoryA(folder.c_str());
    }

    // The profiles' own folders are links to another user's data.
    files::Write(Path("other\\Default\\Cookies"), "keep");
    files::Write(Path("other\\Default\\Preferences"), "keep");
    files::Write(Path("other\\p\\cookies.sqlite"), "keep");
    files::MakeDirs(Path("Local\\Google\\Chrome"));
    files::MakeDirs(Path("Roaming\\Mozilla\\Firefox"));
    ASSERT_TRUE(files::MakeFolderLink(Path("Local\\Google\\Chrome\\User Data"), Path("other")));
    ASSERT_TRUE(files::MakeFolderLink(Path("Roaming\\Mozilla\\Firefox\\profiles"), Path("other")));
    reg::SetText(HKEY_CURRENT_USER, kUserShellFolders, "AppData", Path("Roaming"));
    reg::SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", REG_EXPAND_SZ, Path("Local") + '\0');
    SweepBrowsers();
    EXPECT_EQ(files::Read(Path("other\\Default\\Cookies")), "keep");
    EXPECT_EQ(files::Read(Path("other\\p\\cookies.sqlite")), "keep");
    EXPECT_EQ(m_counter, 0) << m_log.Log();
    files::RemoveLink(Path("Local\\Google\\Chrome\\User Data"));
    files::RemoveLink(Path("Roaming\\Mozilla\\Firefox\\profiles"));
}

// The toolbars write no line; each value they clear is one item. A version registered for the machine
// as well is cleaned once, not counted twice.
TEST_F(BrowserCleanersTest, ToolbarsCountWhatTheyClearAndWriteNoLine)
{
    reg::SetText(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\MSN Toolbar", "SearchStrings", "secret");
    const std::string history = "SOFTWARE\\Google\\NavClient\\1.0\\History";
    reg::SetText(HKEY_CURRENT_USER, history, "a", "x");
    reg::SetRaw(HKEY_CURRENT_USER, history, "b", REG_BINARY, std::string(2000, 'b'));
    reg::SetText(HKEY_CURRENT_USER, history, "c", "");
    reg::SetText(HKEY_CURRENT_USER, history, "(Default)", "keep");
    reg::MakeKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Google\\NavClient\\2.0");
    reg::SetText(HKEY_CURRENT_USER, "SOFTWARE\\Google\\NavClient\\2.0\\History", "d", "y");
    CleanMsnToolbar(&m_counter, &m_kb);
    CleanGoogleToolbar(&m_counter, &m_kb);
    EXPECT_EQ(m_counter, 1 + 3 + 1);
    EXPECT_TRUE(m_log.Lines().empty()) << m_log.Log();
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\MSN Toolbar", "SearchStrings"), "");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, history), (std::vector<std::string>{"(Default)"}));
    EXPECT_TRUE(reg::ValueNames(HKEY_CURRENT_USER, "SOFTWARE\\Google\\NavClient\\2.0\\History").empty());
}

// AOL's data folder comes from the machine's key: empty, relative or a drive root, it names none.
TEST_F(BrowserCleanersTest, AnAolDataPathOfNoFolderOfItsOwnRemovesNothing)
{
    const std::string canary = "C:\\organize\\mail.ARL";
    files::Write(canary, "keep");
    for (const char* hostile : {"", "C:\\", "C:", "\\", "organize\\..", "C:\\\\"}) {
        reg::SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\America Online\\America Online\\CurrentVersion", "DDPath", hostile);
        CleanAol(&m_counter, &m_kb);
    }
    EXPECT_EQ(files::Read(canary), "keep");
    EXPECT_EQ(m_counter, 0) << m_log.Log();
    DeleteFileA(canary.c_str());
    RemoveDirectoryA("C:\\organize");
}
