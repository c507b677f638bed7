#include <gtest/gtest.h>
#include "cleaners/windows_cleaners.h"
#include "engine/recycle_bin.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"
#include "cleaners/category_table.h"

namespace {
class WindowsCleanersTest : public SandboxTest {
protected:
    size_t Count(const std::string& text) const { return m_log.Count(text); }
    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
};
}  // namespace

TEST_F(WindowsCleanersTest, TempNamedTwiceIsCleanedOnceAndAnUndefinedTmpdirRemovesNothing)
{
    files::Write(Path("Temp\\a.tmp"), "a");
    files::Write(Path("Temp\\d\\b.tmp"), "b");
    CleanTemporaryFiles(&m_counter, &m_kb);
    EXPECT_TRUE(files::List(Path("Temp")).empty());
    EXPECT_EQ(Count("  Clean up directory: %TMP%."), 1u);
    EXPECT_EQ(Count("  Clean up directory: %TEMP%."), 0u);
    EXPECT_EQ(m_counter, 3);
}

TEST_F(WindowsCleanersTest, HostileTempValuesRemoveNothingOutsideTheirFolder)
{
    files::Write(Path("keep.txt"), "canary");
    for (const char* value : {"", ".", "C:\\", "C:", "\\", "C:\\ombrix\\scratch\\..\\.."}) {
        SetEnvironmentVariableA("TMP", value);
        SetEnvironmentVariableA("TEMP", value);
        SetEnvironmentVariableA("TMPDIR", value);
        CleanTemporaryFiles(&m_counter, &m_kb);
    }
    EXPECT_EQ(m_counter, 0) << m_log.Log();
    EXPECT_EQ(files::Read(Path("keep.txt")), "canary");
}

TEST_F(WindowsCleanersTest, LastLogonUserLogsOnlyValuesItDeleted)
{
    reg::SetText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "DefaultUserName", "me");
    reg::SetText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", "explorer.exe");
    CleanLastLogonUser(&m_counter, &m_kb);
    const auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "  Item 1, Clean up registry key: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\"
                        "CurrentVersion\\Winlogon\\DefaultUserName");
    EXPECT_TRUE(reg::ValueExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"));
}

TEST_F(WindowsCleanersTest, AnEmptyRecycleBinStillReportsItsCountAndAFullOneIsEmptied)
{
    CleanRecycleBin(&m_counter, &m_kb);
    EXPECT_EQ(m_log.Status(kStatusWindows), "  Clean up 'Recycle Bin'. Items 0, Size 0.000(KB)\n");
    files::Write(Path("bin\\file.txt"), std::string(2048, 'r'));
    files::Write(Path("bin\\folder\\inner.txt"), "r");
    for (const char* name : {"bin\\file.txt", "bin\\folder"}) {
        std::string from = Path(name) + '\0';
        SHFILEOPSTRUCTA op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        ASSERT_EQ(SHFileOperationA(&op), 0);
    }
    CleanRecycleBin(&m_counter, &m_kb);
    EXPECT_EQ(m_counter, 2);
    RecycleBinContents after;
    ASSERT_TRUE(QueryAllRecycleBins(after));
    EXPECT_EQ(after.items, 0) << "trashed folders must go too";
}

TEST_F(WindowsCleanersTest, CustomLocationsAreSweptWithEveryTargetBitClear)
{
    files::Write(Path("c\\x.tmp"), "x");
    files::Write(Path("c\\keep.doc"), "k");
    WindowsPageMembers page;
    page.customLocations = {{Path("c"), "*.tmp", 0, ""}};
    page.listChanged = 1;
    const uint32_t saved = g_windowsSettings.Targets;
    g_windowsSettings.TakePage(page);
    SweepWindows(nullptr);
    EXPECT_EQ(files::List(Path("c")), (std::vector<std::string>{"keep.doc"}));
    page.customLocations.clear();
    page.listChanged = 1;
    g_windowsSettings.TakePage(page);
    g_windowsSettings.Targets = saved;
}

TEST_F(WindowsCleanersTest, ADocumentSweepWalksTheRecentFolderOnceFirst)
{
    const std::string recent = Path("Recent");
    files::Write(recent + "\\a.lnk", "a");
    reg::SetRaw(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                "Recent", REG_EXPAND_SZ, recent + '\0');
    CleanDocumentHistory(&m_counter, &m_kb);
    const auto lines = m_log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "   Item 1, Remove file: " + recent + "\\a.lnk, size 0.001(KB).");
    EXPECT_EQ(lines[1], "Start clean up document historical records.");
    EXPECT_FALSE(files::Exists(recent + "\\a.lnk"));
}
