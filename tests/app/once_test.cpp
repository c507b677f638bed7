#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "app/command_line.h"
#include "res/version.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/profile_tools.h"
#include "tools/trace_profile.h"
#include "tools/windows_apps_traces.h"
#include "tools/windows_today_traces.h"
#include "tools/browser_traces.h"


TEST(CommandLine, SwitchesTakeTheirValueAndAreCaseSensitive)
{
    char program[] = "Ombrix.exe", once[] = "/once", now[] = "now", other[] = "-ONCE", plain[] = "plain";
    char* argv[] = {program, plain, once, now, other};
    AppCommandLineInfo info;
    info.Parse(5, argv);
    EXPECT_TRUE(info.Has("once"));
    EXPECT_EQ(info.Value("once"), "now");
    EXPECT_TRUE(info.Has("ONCE"));
    EXPECT_EQ(info.Value("ONCE"), "TRUE");
    EXPECT_FALSE(info.Has("plain"));

    AppCommandLineInfo capitals;
    char* argv2[] = {program, other};
    capitals.Parse(2, argv2);
    EXPECT_FALSE(capitals.Has("once"));
}

namespace {

void PutOnClipboard(const std::string& text)
{
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

// A running browser, as the sweep sees it: a program of the browser's image name holding a file of
// its profile until the release file appears.
class RunningBrowser {
public:
    RunningBrowser(const std::string& folder, const std::string& held) : m_release(folder + "\\release")
    {
        const std::string image = folder + "\\msedge.exe";
        CopyFileA("C:\\ombrix\\bin\\ombrix_remote.exe", image.c_str(), FALSE);
        std::string command = "\"" + image + "\" hold \"" + held + "\" \"" + m_release + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process);
        // Held once the file cannot be opened without sharing any more: on a loaded machine the first
        // start of a program under Wine takes seconds.
        for (int i = 0; i < 600 && Openable(held); ++i) Sleep(50);
        m_held = !Openable(held);
    }
    ~RunningBrowser()
    {
        WriteFileText(m_release, "done");
        WaitForSingleObject(m_process.hProcess, 30000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    RunningBrowser(const RunningBrowser&) = delete;
    RunningBrowser& operator=(const RunningBrowser&) = delete;
    bool Holds() const { return m_held; }

private:
    static bool Openable(const std::string& path)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
    std::string m_release;
    PROCESS_INFORMATION m_process{};
    bool m_held = false;
};

class SweepOnce : public testing::TestWithParam<bool> {};

}  // namespace

// Sweeps the planted profile with the real program, in the sandbox's own registry and a folder of its
// own, with Deep Sweep off and on, and checks that every trace is gone (or left for the restart) and
// every canary intact. A cache index is held open as a browser holds it: it stays, its entries
// overwritten; a thumbnail database is held as Explorer holds it; a running Edge holds a profile
// file; the activity database is held as its service holds it. Every item is on, the items of
// Windows 11's apps and App Web Caches too. The browsers' saved passwords go only with
// "Auto-Complete Password" ticked (the deep run).
TEST_P(SweepOnce, SweepsThePlantedProfileAndKeepsEveryCanary)
{
    const bool deepSweep = GetParam();
    const std::string root = "C:\\ombrix\\scratch\\once-" + std::to_string(GetCurrentProcessId());
    PlantTraceProfile(root);
    SetProfileEnvironment(root);
    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\General Settings", "Targets", deepSweep ? 0x27 : 0x07);
    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet", "Targets", deepSweep ? 0x3F7F : 0x3F77);
    const std::string index = root + "\\Profile\\AppData\\Local\\Microsoft\\Windows\\INetCache\\Content.IE5\\index.dat";
    WriteFileText(index, std::string(4096, 'u'));
    HANDLE held = CreateFileA(index.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE thumbnails = CreateFileA(ThumbnailDatabase(root + "\\Profile").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(thumbnails, INVALID_HANDLE_VALUE);
    HANDLE activity = CreateFileA(ActivityDatabase(root + "\\Profile").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(activity, INVALID_HANDLE_VALUE);
    PutOnClipboard("a password copied a moment ago");
    DWORD code = 99;
    std::string output;
    {
        const RunningBrowser edge(root, RunningBrowserFile(root));
        EXPECT_TRUE(edge.Holds()) << "the running browser never held its file";
        output = RunCapturing("\"C:\\ombrix\\bin\\Ombrix.exe\" -once", &code);
    }
    CloseHandle(held);
    CloseHandle(thumbnails);
    CloseHandle(activity);
    // The damaged Notepad tab stays (not read), and without Deep Sweep the held databases too; with
    // it nothing else is left.
    EXPECT_EQ(code, 3u);
    if (deepSweep) {
        EXPECT_EQ(output.find("  Left: "), std::string::npos) << output;
    }
    EXPECT_EQ(ReadFileText(index), std::string(64, 'u') + std::string(4096 - 64, '\0'));
    EXPECT_NE(output.find("  Clean up MRU in registry key: Explorer\\RunMRU\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  Clean up 'Recycle Bin'. Items 2,"), std::string::npos) << output;
    EXPECT_NE(output.find(", Empty the clipboard."), std::string::npos) << output;
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_NE(output.find(", Flush the DNS resolver cache."), std::string::npos) << output;
    EXPECT_NE(output.find("Microsoft Edge is running: the files it holds stay until it is closed."), std::string::npos);
    EXPECT_TRUE(Exists(RunningBrowserFile(root))) << "held by the running browser";
    const std::string heldLine = RunningBrowserFile(root) + ", size 0.019(KB) (After Rebooting).";
    EXPECT_EQ(output.find(heldLine) != std::string::npos, deepSweep);
    for (const auto& p : CheckTraceProfile(root, {{output}, true, deepSweep, deepSweep, true})) ADD_FAILURE() << p;
    if (HasFailure()) ADD_FAILURE() << output;
    RemoveWindowsTodayTraces();
    RemoveScratchTree(root);
    // What Deep Sweep left for the restart.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations");
}

INSTANTIATE_TEST_SUITE_P(DeepSweep, SweepOnce, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Deep" : "Plain"; });

// The items of Windows 11's apps and App Web Caches, named by /only whatever the stored settings:
// their traces go and what stays beside them stays, each with its line, and no other item sweeps.
TEST(SweepOnly, TheNewItemsSweepByTheirIds)
{
    const std::string root = "C:\\ombrix\\scratch\\only-" + std::to_string(GetCurrentProcessId());
    PlantWindowsAppsTraces(root + "\\Profile");
    SetProfileEnvironment(root);
    SetRaw(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
           "Local AppData", REG_EXPAND_SZ, std::string("%USERPROFILE%\\AppData\\Local") + '\0');
    WriteFileText(root + "\\Temp\\setup.log", "another item's");
    DWORD code = 99;
    const std::string output = RunCapturing(
        "\"C:\\ombrix\\bin\\Ombrix.exe\" -once -only:windows.notepad,windows.screen-clips,"
        "windows.activity-history,applications.app-web-caches",
        &code);
    EXPECT_EQ(code, 3u) << "the damaged Notepad tab stays, counted as left";
    ProfileCheck check;
    CheckWindowsAppsTraces(root + "\\Profile", {{output}}, check);
    for (const std::string& problem : check.problems) ADD_FAILURE() << problem;
    EXPECT_EQ(ReadFileText(root + "\\Temp\\setup.log"), "another item's") << "no other item swept";
    if (HasFailure()) ADD_FAILURE() << output;
    RemoveScratchTree(root);
}

// The program's version resource and manifest carry the one project version, and the license.
TEST(Program, CarriesTheOneVersionAndItsLicense)
{
    const char* const exe = "C:\\ombrix\\bin\\Ombrix.exe";
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeA(exe, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe, 0, static_cast<DWORD>(info.size()), info.data()));
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
        return VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ? std::string(value)
                                                                                                    : std::string();
    };
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(OMBRIX_VERSION_MINOR, OMBRIX_VERSION_MAJOR)));
    EXPECT_EQ(text("ProductVersion"), OMBRIX_VERSION_TEXT);
    EXPECT_EQ(text("FileVersion"), OMBRIX_FILE_VERSION_TEXT);
    EXPECT_NE(text("LegalCopyright").find("Quillane. MIT License"), std::string::npos);

    HMODULE image = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC manifest = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(image, manifest))),
                          SizeofResource(image, manifest));
    EXPECT_NE(xml.find(std::string("version=\"") + OMBRIX_FILE_VERSION_TEXT + "\""), std::string::npos) << xml;
    FreeLibrary(image);
}
