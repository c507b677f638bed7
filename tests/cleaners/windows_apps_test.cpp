#include <gtest/gtest.h>
#include <windows.h>
#include "cleaners/application_cleaners.h"
#include "cleaners/windows_cleaners.h"
#include "engine/sweep_log.h"
#include "framework/process_list.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"
#include "tools/windows_apps_traces.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class WindowsAppsTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        reg::SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", REG_EXPAND_SZ, Local("") + '\0');
    }
    std::string Local(const std::string& relative) const
    {
        return Path("Profile\\AppData\\Local") + (relative.empty() ? "" : "\\" + relative);
    }
    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
};

// A program named Notepad.exe that runs until it is released.
class RunningNotepad {
public:
    explicit RunningNotepad(const std::string& folder) : m_release(folder + "\\release")
    {
        const std::string image = folder + "\\Notepad.exe";
        files::Write(folder + "\\held.txt", "held");
        CopyFileA("C:\\ombrix\\bin\\ombrix_remote.exe", image.c_str(), FALSE);
        std::string command = "\"" + image + "\" hold \"" + folder + "\\held.txt\" \"" + m_release + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process);
        for (int i = 0; i < 600 && !ProcessRunning("notepad.exe"); ++i) Sleep(50);
    }
    ~RunningNotepad() { Release(); }
    RunningNotepad(const RunningNotepad&) = delete;
    RunningNotepad& operator=(const RunningNotepad&) = delete;
    void Release()
    {
        if (!m_process.hProcess) return;
        files::Write(m_release, "done");
        WaitForSingleObject(m_process.hProcess, 30000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
        m_process = {};
    }

private:
    std::string m_release;
    PROCESS_INFORMATION m_process{};
};

}  // namespace

// While Notepad runs its folder of tabs is left whole, with one line; once it is closed only the
// saved tab goes with its option files, and every tab with text of its own stays, with its line.
TEST_F(WindowsAppsTest, NotepadSessionWaitsForNotepadAndTakesOnlySavedTabs)
{
    PlantWindowsAppsTraces(Path("Profile"));
    const std::string tabs = Local("Packages\\Microsoft.WindowsNotepad_8wekyb3d8bbwe\\LocalState\\TabState");
    const std::vector<std::string> planted = files::List(tabs);
    ASSERT_EQ(planted.size(), 8u);
    {
        RunningNotepad notepad(Path("notepad"));
        ASSERT_TRUE(ProcessRunning("notepad.exe")) << "the program named Notepad.exe never ran";
        CleanNotepadSession(&m_counter, &m_kb);
        EXPECT_EQ(files::List(tabs), planted);
        EXPECT_EQ(m_counter, 0);
        EXPECT_EQ(m_log.Count("  Left: " + tabs + " (Notepad is running)."), 1u) << m_log.Log();
        EXPECT_EQ(m_log.Count("  Kept: "), 0u);
        notepad.Release();
    }
    CleanNotepadSession(&m_counter, &m_kb);
    EXPECT_EQ(m_counter, 3) << m_log.Log();
    EXPECT_EQ(files::List(tabs).size(), 5u);
    ProfileCheck check;
    CheckWindowsAppsTraces(Path("Profile"), {{m_log.Log()}}, check);
    for (const std::string& problem : check.problems)
        if (problem.find("TabState") != std::string::npos || problem.find("tab") != std::string::npos)
            ADD_FAILURE() << problem;
}

// The search for web views goes six levels below the local application data, six more below a
// package's LocalCache, never into a link or a kept folder, and not below a web view it found; in
// each, only the caches of its profiles lose their files.
TEST_F(WindowsAppsTest, TheWebViewSearchKeepsToItsBoundsAndTakesOnlyCaches)
{
    const std::vector<std::string> taken{
        Local("a\\b\\c\\d\\e\\EBWebView\\Default\\Cache\\Cache_Data\\f_1"),
        Local("Packages\\P_1\\LocalCache\\1\\2\\3\\4\\5\\EBWebView\\Profile 1\\GPUCache\\data_0"),
        Local("Packages\\P_1\\LocalState\\1\\2\\EBWebView\\Default\\Service Worker\\CacheStorage\\a\\index"),
        Local("N\\EBWebView\\Default\\Code Cache\\js\\x"),
        Local("Packages\\P_1\\AC\\INetCache\\X1\\page.htm"),
        Local("Packages\\P_1\\AC\\INetHistory\\h.dat"),
    };
    const std::vector<std::string> kept{
        Local("a\\b\\c\\d\\e\\f\\EBWebView\\Default\\Cache\\too-deep"),
        Local("Packages\\P_1\\LocalState\\1\\2\\3\\4\\EBWebView\\Default\\Cache\\too-deep"),
        Local("N\\EBWebView\\Inner\\EBWebView\\Default\\Cache\\inner"),
        Local("N\\EBWebView\\Default\\Cookies"),
        Local("N\\EBWebView\\Default\\Local Storage\\leveldb\\000003.log"),
        Local("N\\EBWebView\\Default\\Preferences"),
        Local("N\\EBWebView\\Default\\Service Worker\\ScriptCache\\s"),
        Local("Packages\\P_1\\LocalCache\\1\\2\\3\\4\\5\\EBWebView\\Profile 1\\Preferences"),
        Local("Packages\\P_1\\AC\\INetCookies\\c.txt"),
        Local("MyDocs\\EBWebView\\Default\\Cache\\in-a-kept-folder"),
        Path("outside\\EBWebView\\Default\\Cache\\behind-a-link"),
    };
    for (const std::string& path : taken) files::Write(path, "trace");
    for (const std::string& path : kept) files::Write(path, "keep");
    ASSERT_TRUE(files::MakeFolderLink(Local("Linked"), Path("outside")));
    // The user's Documents, moved below the local application data.
    reg::SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Personal", REG_EXPAND_SZ, Local("MyDocs") + '\0');
    CleanAppWebCaches(&m_counter, &m_kb);
    for (const std::string& path : taken) EXPECT_FALSE(files::Exists(path)) << path;
    for (const std::string& path : kept) EXPECT_EQ(files::Read(path), "keep") << path;
    EXPECT_EQ(m_counter, static_cast<int>(taken.size())) << m_log.Log();
    EXPECT_EQ(m_log.Count("MyDocs"), 0u) << "the search never enters a kept folder: " << m_log.Log();
    EXPECT_TRUE(files::IsFolder(Local("N\\EBWebView\\Default\\Code Cache\\js"))) << "the cache folders stay";
}
