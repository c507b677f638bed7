#include <gtest/gtest.h>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"
#include "cleaners/category_table.h"

namespace {

const std::string kOffice = "Software\\Microsoft\\Office\\";
const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class ApplicationCleanersTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        m_saved = g_applicationsSettings.Targets;
    }
    void TearDown() override
    {
        g_applicationsSettings.Targets = m_saved;
        SandboxTest::TearDown();
    }
    LogCapture m_log;
    uint32_t m_saved = 0;
};

}  // namespace

TEST_F(ApplicationCleanersTest, WithNothingInstalledEachApplicationWritesOnlyItsStartLine)
{
    g_applicationsSettings.Targets = 0x7F;
    SweepApplications(nullptr);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{
                                 "Start clean up historical records on MS Office Word.",
                                 "Start clean up historical records on MS Office Excel.",
                                 "Start clean up historical records on MS Office Access.",
                                 "Start clean up historical records on MS Office PowerPoint.",
                                 "Start clean up historical records on other applications.",
                                 "Clean up MediaPlayer.",
                                 "Finished cleaning up.",
                             }));
    EXPECT_EQ(m_log.Bar(kBarApplications), 100);
}

// Word alone, with Word 2010 and a signed-in account of Word 2016: every version line in order, one
// numbered line a changed value naming its key, the account's other values kept, then the shortcuts.
TEST_F(ApplicationCleanersTest, WordAloneCleansItsVersionsInOrderThenItsShortcuts)
{
    g_applicationsSettings.Targets = ApplicationsBit::Word;
    const std::string fileMru = kOffice + "14.0\\Word\\File MRU";
    reg::SetText(HKEY_CURRENT_USER, fileMru, "Item 1", "[F00000000]*C:\\a.docx");
    reg::SetText(HKEY_CURRENT_USER, fileMru, "Item 2", "[F00000000]*C:\\b.docx");
    reg::SetNumber(HKEY_CURRENT_USER, fileMru, "Max Display", 25);
    const std::string account = kOffice + "16.0\\Word\\User MRU\\ADAL_1";
    reg::SetRaw(HKEY_CURRENT_USER, account + "\\Place MRU", "Value", REG_MULTI_SZ, std::string("C:\\docs\0\0", 10));
    reg::SetText(HKEY_CURRENT_USER, account, "AccountName", "me@example.com");
    reg::SetText(HKEY_CURRENT_USER, kOffice + "16.0\\Excel\\File MRU", "Item 1", "[F00000000]*C:\\c.xlsx");
    reg::SetText(HKEY_CURRENT_USER, kShellFolders, "Local AppData", Path("Local"));
    files::Write(Path("Local\\Microsoft\\Office\\Recent\\a.docx.lnk"), "shortcut");
    files::Write(Path("Local\\Microsoft\\Office\\Recent\\notes.txt"), "keep");

    SweepApplications(nullptr);
    std::vector<std::string> expected{"Start clean up historical records on MS Office Word."};
    for (const char* v : {"8.0", "9.0", "10.0", "11.0", "12.0", "14.0"})
        expected.push_back(std::string("Clean up Word ") + v + ".");
    expected.push_back("  Clean up Office Common registry key: 14.0\\Word\\File MRU");
    for (int item = 1; item <= 3; ++item)
        expected.push_back("  Item " + std::to_string(item) + ": Clean a register: 14.0\\Word\\File MRU.");
    expected.insert(expected.end(), {"Clean up Word 15.0.", "Clean up Word 16.0.",
                                     "  Clean up Office Common registry key: 16.0\\Word\\User MRU\\ADAL_1\\Place MRU",
                                     "  Item 4: Clean a register: 16.0\\Word\\User MRU\\ADAL_1\\Place MRU.",
                                     "Clean up recent files for Word.",
                                     "   Item 5, Remove file: " + Path("Local\\Microsoft\\Office\\Recent\\a.docx.lnk") +
                                         ", size 0.008(KB).",
                                     "Start clean up historical records on other applications."});
    EXPECT_EQ(m_log.Lines(), expected);
    EXPECT_TRUE(reg::ValueNames(HKEY_CURRENT_USER, fileMru).empty());
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, account + "\\Place MRU", "Value"), std::string(4, '\0'));
    EXPECT_TRUE(reg::ValueExists(HKEY_CURRENT_USER, account, "AccountName"));
    EXPECT_TRUE(reg::ValueExists(HKEY_CURRENT_USER, kOffice + "16.0\\Excel\\File MRU", "Item 1"));
    EXPECT_EQ(files::List(Path("Local\\Microsoft\\Office\\Recent")), (std::vector<std::string>{"notes.txt"}));
}

// RealOne's folders come from the registry: a drive root, an empty or relative value, or a Temp that
// is a link elsewhere removes nothing outside its own folder; a sound one loses Temp whole and only
// the contents of History.
TEST_F(ApplicationCleanersTest, RealOnePathsFromTheRegistryRemoveOnlyInsideTheirFolder)
{
    g_applicationsSettings.Targets = ApplicationsBit::RealPlayer;
    const std::string userData = "SOFTWARE\\RealNetworks\\Preferences\\UserDataPath";
    const std::string cookies = "SOFTWARE\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\CookiesPath";
    const std::vector<std::string> rootCanaries{"C:\\urls.ini", "C:\\realplayer.ste", "C:\\Temp\\ombrix-keep.txt"};
    for (const std::string& canary : rootCanaries) files::Write(canary, "keep");
    files::Write(Path("outside\\keep.txt"), "keep");
    for (const char* hostile : {"C:\\", "", "C:", "\\", "Real", "C:\\Temp\\.."}) {
        reg::SetText(HKEY_CURRENT_USER, userData, "", hostile);
        reg::SetText(HKEY_CURRENT_USER, cookies, "", std::string(hostile) + "*.*");
        SweepApplications(nullptr);
    }
    for (const std::string& canary : rootCanaries) EXPECT_TRUE(files::Exists(canary)) << canary;
    DeleteFileA("C:\\urls.ini");
    DeleteFileA("C:\\realplayer.ste");
    DeleteFileA("C:\\Temp\\ombrix-keep.txt");
    RemoveDirectoryA("C:\\Temp");

    const std::string data = Path("RealOne");
    files::Write(data + "\\urls.ini", "u");
    files::Write(data + "\\prefs.ini", "keep");
    files::Write(data + "\\History\\sub\\clip.rm", "h");
    files::Write(data + "\\Temp\\sub\\t.tmp", "t");
    files::Write(data + "\\cookies.txt", "c");
    files::Write(data + "\\cookies.txt.bak", "keep");
    reg::SetText(HKEY_CURRENT_USER, userData, "", data + "\\");
    reg::SetText(HKEY_CURRENT_USER, cookies, "", data + "\\cookies.txt");
    SweepApplications(nullptr);
    EXPECT_EQ(files::List(data), (std::vector<std::string>{"History", "cookies.txt.bak", "prefs.ini"}));
    EXPECT_TRUE(files::List(data + "\\History").empty());

    ASSERT_TRUE(files::MakeFolderLink(data + "\\Temp", Path("outside")));
    SweepApplications(nullptr);
    EXPECT_EQ(files::Read(Path("outside\\keep.txt")), "keep");
    files::RemoveLink(data + "\\Temp");
}
