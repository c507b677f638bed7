#include <gtest/gtest.h>
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"
#include "tests/support/window_watcher.h"
#include "ui/run_entry.h"

namespace {

const char* const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunEntryTest : public SandboxTest {
protected:
    void TearDown() override
    {
        g_generalSettings.Targets = m_saved;
        SandboxTest::TearDown();
    }
    void SetAutoStart(bool on)
    {
        g_generalSettings.Targets = on ? (m_saved | GeneralBit::AutoStart) : (m_saved & ~GeneralBit::AutoStart);
    }
    uint32_t m_saved = g_generalSettings.Targets;
    LogCapture m_log;
};

}  // namespace

TEST(QuotedCommandLineTest, TheProgramPathIsQuotedAndTheArgumentsKept)
{
    const std::string program = "C:\\Program Files\\Ombrix\\Ombrix.exe";
    EXPECT_EQ(QuotedCommandLine(program + " /tray x", program), "\"" + program + "\" /tray x");
    EXPECT_EQ(QuotedCommandLine("\"" + program + "\" /tray", program), "\"" + program + "\" /tray");
    EXPECT_EQ(QuotedCommandLine("Ombrix.exe -x", program), "\"" + program + "\" -x");
}

TEST_F(RunEntryTest, OnTwiceLeavesOneQuotedEntryAndOffRemovesItQuietlyWhenNone)
{
    reg::MakeKey(HKEY_CURRENT_USER, kRun);
    reg::SetText(HKEY_CURRENT_USER, kRun, "Other.exe", "other");
    SetAutoStart(true);
    UpdateRunEntry("C:\\old\\Ombrix.exe");
    UpdateRunEntry("\"C:\\Program Files\\Ombrix\\Ombrix.exe\" /tray");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, kRun), (std::vector<std::string>{"Ombrix.exe", "Other.exe"}));
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kRun, "Ombrix.exe"), "\"C:\\Program Files\\Ombrix\\Ombrix.exe\" /tray");
    EXPECT_EQ(m_log.Count("Setup running registry"), 2u);

    SetAutoStart(false);
    UpdateRunEntry("ignored");
    UpdateRunEntry("ignored");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, kRun), (std::vector<std::string>{"Other.exe"}));
    EXPECT_EQ(m_log.Count("Removed running registry"), 1u);
}

TEST_F(RunEntryTest, AMissingRunKeyIsToldAndNeverCreated)
{
    SetAutoStart(true);
    std::string text;
    WindowWatcher watcher("#32770", "Ombrix", [&](HWND box) {
        text = WindowText(GetDlgItem(box, 0xFFFF));
        PressButton(box, IDOK);
    });
    UpdateRunEntry("Ombrix.exe");
    EXPECT_TRUE(watcher.Acted());
    EXPECT_EQ(text, "Cannot find registry to register program.");
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, kRun));
}
