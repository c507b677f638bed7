// GCC 12 reports a false -Wrestrict for std::string concatenation here (its bug 105329).
#pragma GCC diagnostic ignored "-Wrestrict"
#include <gtest/gtest.h>
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {

class RegistryOpsTest : public SandboxTest {
protected:
    void Run(CleanOperation op, const std::string& path, bool withCounter = true)
    {
        CRegistryKey key(HKEY_CURRENT_USER, path, kKeyChange);
        ASSERT_NE(key.Handle(), nullptr);
        key.SetPath(path);
        CleanTarget target;
        target.key = &key;
        op(target, kStatusWindows, withCounter ? &m_counter : nullptr, &m_kb);
    }
    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
};

// Refuses every deletion, as a protected value would.
class RefusingActions : public SweepActions {
public:
    bool DeleteValue(HKEY, const char*) override { return false; }
    bool DeleteKeyTree(HKEY, const char*) override { return false; }
};

}  // namespace

TEST_F(RegistryOpsTest, AnMruListIsResetAndItsEntriesDeletedAndASecondSweepFindsNothing)
{
    reg::SetText(HKEY_CURRENT_USER, "MRU", "MRUList", "cba");
    reg::SetText(HKEY_CURRENT_USER, "MRU", "a", "C:\\one.doc");
    reg::SetText(HKEY_CURRENT_USER, "MRU", "b", "C:\\two.doc");
    reg::SetText(HKEY_CURRENT_USER, "MRU", "c", "C:\\three.doc");
    Run(CleanMRU, "MRU");
    auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "  Clean up MRU in registry key: MRU");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.find("Delete Value") != l.npos; }), 3);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](auto& l) { return l.find("Reset Value: MRUList=cba to empty.") != l.npos; }),
              1);
    EXPECT_EQ(m_counter, 4);
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "MRU"), (std::vector<std::string>{"MRUList"}));
    DWORD type = 0;
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, "MRU", "MRUList"), "");
    reg::GetRaw(HKEY_CURRENT_USER, "MRU", "MRUList", &type);
    EXPECT_EQ(type, DWORD(REG_SZ));

    Run(CleanMRU, "MRU");
    EXPECT_EQ(m_log.Lines().size(), 6u) << "only the header the second time";
    EXPECT_EQ(m_counter, 4);
}

TEST_F(RegistryOpsTest, NamedDefaultSurvivesAndTheUnnamedDefaultIsDeletedOrReset)
{
    reg::SetText(HKEY_CURRENT_USER, "K", "(Default)", "keep me");
    reg::SetText(HKEY_CURRENT_USER, "K", "", "unnamed");
    reg::SetText(HKEY_CURRENT_USER, "K\\Sub", "", "sub default");
    reg::SetText(HKEY_CURRENT_USER, "K\\Sub", "(Default)", "keep me too");
    reg::SetText(HKEY_CURRENT_USER, "K\\Sub", "x", "y");
    Run(CleanRegKeyTree, "K");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "K"), (std::vector<std::string>{"(Default)"}));
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "K\\Sub"), (std::vector<std::string>{"", "(Default)"}));
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, "K\\Sub", ""), "");
    EXPECT_EQ(m_log.Status(kStatusWindows).empty(), false);
}

TEST_F(RegistryOpsTest, MruKeepsValuesWhoseDataStartsWithZero)
{
    reg::SetRaw(HKEY_CURRENT_USER, "MRU", "MRUListEx", REG_BINARY, std::string("\0\0\0\0\1\0\0\0", 8));
    reg::SetText(HKEY_CURRENT_USER, "MRU", "0", "C:\\x");
    reg::SetText(HKEY_CURRENT_USER, "MRU", "empty", "");
    Run(CleanMRU, "MRU");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "MRU"), (std::vector<std::string>{"MRUListEx", "empty"}));
}

TEST_F(RegistryOpsTest, ConsecutiveValuesAreAllDeletedInOnePass)
{
    for (int i = 0; i < 50; ++i) reg::SetNumber(HKEY_CURRENT_USER, "K", "v" + std::to_string(i), i + 1);
    Run(CleanRegKey, "K", false);
    EXPECT_TRUE(reg::ValueNames(HKEY_CURRENT_USER, "K").empty());
    EXPECT_EQ(m_log.Status(kStatusWindows), "Waiting to start sweeping") << "no counter: log only";
}

TEST_F(RegistryOpsTest, AFailedDeletionIsReportedAsFailedAndNotCounted)
{
    reg::SetText(HKEY_CURRENT_USER, "K", "a", "1");
    reg::SetText(HKEY_CURRENT_USER, "K", "b", "2");
    RefusingActions refusing;
    SweepActions* previous = InstallActions(&refusing);
    Run(CleanRegKey, "K");
    InstallActions(previous);
    EXPECT_EQ(m_counter, 0);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"  Clean up registry key: K", "  Cannot delete value: a=1.",
                                                       "  Cannot delete value: b=2."}));
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "K").size(), 2u);
}

TEST_F(RegistryOpsTest, FileExtsLosesOnlySubkeysWithASlash)
{
    reg::SetText(HKEY_CURRENT_USER, "FileExts\\.doc\\OpenWithList", "a", "winword.exe");
    reg::SetText(HKEY_CURRENT_USER, "FileExts\\application/pdf", "x", "y");
    reg::SetText(HKEY_CURRENT_USER, "FileExts\\text/plain\\deep", "x", "y");
    Run(CleanFileExt, "FileExts");
    EXPECT_EQ(reg::SubKeyNames(HKEY_CURRENT_USER, "FileExts"), (std::vector<std::string>{".doc"}));
    EXPECT_EQ(m_counter, 2);
    EXPECT_EQ(m_log.Lines()[0], "  Item 1, Delete SubKey: FileExts\\application/pdf.");
}

TEST_F(RegistryOpsTest, PrefixOperationsTouchOnlyTheirPrefixes)
{
    for (const char* name : {"MRU1", "MRUFlags", "MRU", "Other", "mru2"}) reg::SetNumber(HKEY_CURRENT_USER, "K", name, 1);
    reg::MakeKey(HKEY_CURRENT_USER, "K\\Recent File List");
    reg::MakeKey(HKEY_CURRENT_USER, "K\\Recent Folders\\Deep");
    reg::MakeKey(HKEY_CURRENT_USER, "K\\Settings");
    CRegistryKey key(HKEY_CURRENT_USER, "K", kKeyChange);
    DeleteValuesByPrefixes(key, "MRU", "MRUFlags", kStatusApplications, &m_counter, &m_kb);
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "K"), (std::vector<std::string>{"Other", "mru2"}));
    DeleteSubKeysByPrefix(key, "Recent", kStatusApplications, &m_counter, &m_kb);
    EXPECT_EQ(reg::SubKeyNames(HKEY_CURRENT_USER, "K"), (std::vector<std::string>{"Settings"}));
    EXPECT_EQ(m_counter, 5);
}

TEST_F(RegistryOpsTest, OfficeCommonEmptiesValueAndDeletesTheRest)
{
    reg::SetRaw(HKEY_CURRENT_USER, "Common", "Value", REG_MULTI_SZ, std::string("C:\\a.doc\0\0", 10));
    reg::SetText(HKEY_CURRENT_USER, "Common", "Other", "x");
    Run(CleanOfficeCommon, "Common");
    EXPECT_EQ(reg::ValueNames(HKEY_CURRENT_USER, "Common"), (std::vector<std::string>{"Value"}));
    EXPECT_EQ(m_log.Status(kStatusApplications), "  Item 2: Clean a register: Common.\n");
}

TEST_F(RegistryOpsTest, FolderValueRowsTrimTheBackslashAndHonourTheSkipPath)
{
    files::Write(Path("recent\\a.lnk"), "a");
    files::Write(Path("recent\\sub\\b.lnk"), "b");
    files::Write(Path("other.txt"), "canary");
    reg::SetText(HKEY_CURRENT_USER, "Base\\Folders", "Recent", Path("recent") + "\\");
    reg::SetText(HKEY_CURRENT_USER, "Base\\Folders", "Short", "C");
    const FolderValueRow rows[] = {{"Folders", "Recent", nullptr, CleanRegDir},
                                   {"Folders", "Short", nullptr, CleanRegDir}};
    std::string skip = Path("recent") + "\\*.*";
    CleanFolderValueRows(HKEY_CURRENT_USER, "Base", rows, 2, &skip, kStatusWindows, &m_counter, &m_kb);
    EXPECT_TRUE(files::Exists(Path("recent\\a.lnk"))) << "skipped: already cleaned";
    skip.clear();
    CleanFolderValueRows(HKEY_CURRENT_USER, "Base", rows, 2, &skip, kStatusWindows, &m_counter, &m_kb);
    EXPECT_FALSE(files::Exists(Path("recent\\a.lnk")));
    EXPECT_TRUE(files::Exists(Path("recent\\sub\\b.lnk"))) << "files only";
    EXPECT_EQ(files::Read(Path("other.txt")), "canary");
}

TEST_F(RegistryOpsTest, PathsThatExpandTooLongRemoveNothing)
{
    files::Write(Path("t\\x.tmp"), "x");
    SetEnvironmentVariableA("OMBRIX_LONG", (Path("t") + std::string(1100, '\\')).c_str());
    CleanTarget target;
    target.folder = "%OMBRIX_LONG%";
    CleanDir(target, kStatusWindows, &m_counter, &m_kb);
    SetEnvironmentVariableA("OMBRIX_LONG", nullptr);
    EXPECT_TRUE(files::Exists(Path("t\\x.tmp")));
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"  Clean up directory: %OMBRIX_LONG%."}));
}

TEST_F(RegistryOpsTest, RowsOfMissingKeysAreNotRun)
{
    reg::SetText(HKEY_CURRENT_USER, "Base\\Present", "a", "b");
    const RegistryRow rows[] = {{"Missing", CleanRegKey}, {"Present", CleanRegKey}};
    CleanRegistryRows(HKEY_CURRENT_USER, "Base", rows, kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"  Clean up registry key: Present", "  Item 1, Delete Value: a=b."}));
}
