#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <optional>
#include <cstring>
#include <functional>
#include <string>
#include "res/version.h"
#include "tests/support/files.h"
#include "tests/support/loopback_server.h"
#include "tests/support/registry_tree.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/trace_profile.h"

namespace {
// A program started in the sandbox, waited for (and, if it is still running at the end, ended).
class Program {
public:
    explicit Program(std::string command)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        m_started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_process);
    }
    ~Program()
    {
        if (!m_started) return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 9);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_started; }
    DWORD Id() const { return m_process.dwProcessId; }
    // The exit code, or nothing when the program is still running after the wait.
    std::optional<DWORD> Ended(DWORD waitMs) const
    {
        if (WaitForSingleObject(m_process.hProcess, waitMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 30000)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(50))
        if (condition()) return true;
    return condition();
}

HWND OmbrixWindow() { return FindWindowA("Ombrix", "HideOmbrixWindow"); }

void SetGeneral(const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\General Settings", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

DWORD GetGeneral(const char* name)
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\General Settings", name, RRF_RT_REG_DWORD, nullptr,
                 &value, &size);
    return value;
}

// A visible dialog of that process: the startup window and the about form are its only ones here.
HWND DialogOf(DWORD processId)
{
    struct Search {
        DWORD id;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char className[16] = {};
            GetClassNameA(window, className, sizeof className);
            if (owner != s->id || !IsWindowVisible(window) || strcmp(className, "#32770") != 0) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

const char* const kOmbrix = "\"C:\\ombrix\\bin\\Ombrix.exe\"";
}  // namespace

// The user's way: Ombrix starts in the tray, a second start hands over to it, "Sweep Now" sweeps in
// sight of the progress window, a "once" beside it sweeps on its own, and "Exit" ends it.
TEST(Tray, StartSweepFromTheTrayAndExit)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    const std::string root = "C:\\ombrix\\scratch\\tray-" + std::to_string(GetCurrentProcessId());
    PlantTraceProfile(root);
    SetProfileEnvironment(root);
    SetGeneral("Targets", 0x17);  // every category, with the progress window
    SetGeneral("StTm", 0);
    SetGeneral("NotShowLogo", 1);

    Program ombrix(kOmbrix);
    ASSERT_TRUE(ombrix.Started());
    ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
    HWND window = OmbrixWindow();
    // Made visible, then hidden once its tray icon is in place.
    EXPECT_TRUE(WaitFor([window] { return !IsWindowVisible(window); }));

    {
        Program second(kOmbrix);
        EXPECT_EQ(second.Ended(30000), 0u);
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(ombrix.Ended(0));

    PostMessageA(window, WM_COMMAND, 1017, 0);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "Sweeping Completed") != nullptr; }, 60000));
    const auto problems = CheckTraceProfile(root);
    for (const auto& p : problems) ADD_FAILURE() << p;

    // A scheduled "once" is not handed over to the tray: it sweeps on its own, and says so.
    DWORD code = 99;
    const std::string output = RunCapturing(std::string(kOmbrix) + " /once", &code);
    EXPECT_EQ(code, 3u) << "the demo's damaged Notepad tab stays, counted as left";
    EXPECT_NE(output.find("Another Ombrix is running; this sweep runs on its own.\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Start clean up temporary files.\n"), std::string::npos) << output;

    PostMessageA(window, WM_COMMAND, 1015, 0);
    EXPECT_EQ(ombrix.Ended(30000), 0u);
    EXPECT_EQ(OmbrixWindow(), nullptr);
    RemoveScratchTree(root);
}

// The startup window: it closes itself after five seconds and "NotShowLogo" stays 0; ticked and
// confirmed, it stores 1 at once. "About" shows the same window without its checkbox.
TEST(Tray, TheStartupWindowClosesItselfOrStoresItsCheckboxAndAboutShowsIt)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    SetGeneral("Targets", 0x01);
    SetGeneral("StTm", 0);
    SetGeneral("NotShowLogo", 0);
    {
        Program ombrix(kOmbrix);
        ASSERT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) != nullptr; }));
        const ULONGLONG shown = GetTickCount64();
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(DialogOf(ombrix.Id()), 1076)));
        EXPECT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) == nullptr; }, 15000));
        EXPECT_GE(GetTickCount64() - shown, 4000u);
        EXPECT_EQ(GetGeneral("NotShowLogo"), 0u);
        ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
        PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
        EXPECT_EQ(ombrix.Ended(30000), 0u);
    }
    Program ombrix(kOmbrix);
    ASSERT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) != nullptr; }));
    HWND startup = DialogOf(ombrix.Id());
    SendMessageA(GetDlgItem(startup, 1076), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(startup, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([] { return GetGeneral("NotShowLogo") == 1; }));

    ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
    PostMessageA(OmbrixWindow(), WM_COMMAND, 1021, 0);
    ASSERT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) != nullptr; }));
    HWND about = DialogOf(ombrix.Id());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(about, 1076)));
    char title[64] = {};
    GetDlgItemTextA(about, 1080, title, sizeof title);
    EXPECT_STREQ(title, OMBRIX_TITLE);
    SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) == nullptr; }));
    PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
    EXPECT_EQ(ombrix.Ended(30000), 0u);
    SetGeneral("NotShowLogo", 1);
}

// A first start finds no settings and shows the startup window; a start-up sweep runs when a category
// is enabled, and none runs without one.
TEST(Tray, AFirstStartAndTheStartupSweepWithAndWithoutCategories)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix");
    {
        Program ombrix(kOmbrix);
        EXPECT_TRUE(WaitFor([&] { return DialogOf(ombrix.Id()) != nullptr; })) << "the startup window of a first start";
        ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
        PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
        EXPECT_EQ(ombrix.Ended(30000), 0u);
    }

    const std::string temp = "C:\\ombrix\\scratch\\startup-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(temp.c_str(), nullptr);
    for (const char* name : {"TEMP", "TMP", "TMPDIR"}) SetEnvironmentVariableA(name, temp.c_str());
    SetGeneral("NotShowLogo", 1);
    HKEY windows = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    &windows, nullptr);
    const DWORD temporaryFiles = 0x08;
    RegSetValueExA(windows, "Targets", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&temporaryFiles), sizeof temporaryFiles);
    RegCloseKey(windows);
    const std::string trace = temp + "\\left-by-a-session.tmp";
    for (const DWORD targets : {0x00u, 0x01u}) {
        CloseHandle(CreateFileA(trace.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        SetGeneral("Targets", targets);
        SetGeneral("StTm", 0x04 | 0x01);
        SetGeneral("TmSn", 3600);
        Program ombrix(kOmbrix);
        ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
        if (targets)
            EXPECT_TRUE(WaitFor([&] { return GetFileAttributesA(trace.c_str()) == INVALID_FILE_ATTRIBUTES; }));
        else
            EXPECT_FALSE(WaitFor([&] { return GetFileAttributesA(trace.c_str()) == INVALID_FILE_ATTRIBUTES; }, 3000));
        PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
        EXPECT_EQ(ombrix.Ended(30000), 0u);
    }
    SetGeneral("StTm", 0);
    RemoveScratchTree(temp);
}

namespace {
// A visible dialog of that process with that title.
HWND TitledDialogOf(DWORD processId, const char* title)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        char className[16] = {}, text[128] = {};
        GetClassNameA(w, className, sizeof className);
        GetWindowTextA(w, text, sizeof text);
        if (owner == processId && IsWindowVisible(w) && !strcmp(className, "#32770") && !strcmp(text, title)) return w;
    }
    return nullptr;
}

HWND CurrentPage(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
}  // namespace

// The user's way to a custom location: the control panel from the tray, the location added through
// its dialogs, "Deep Sweep" ticked, "Sweep Now"; the location's files go, the rest stays, and the
// settings are stored.
TEST(Tray, ACustomLocationAddedInTheControlPanelIsSwept)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    const std::string root = "C:\\ombrix\\scratch\\panel-" + std::to_string(GetCurrentProcessId());
    const std::string location = root + "\\Location";
    for (const std::string& folder : {root, location, location + "\\sub"}) CreateDirectoryA(folder.c_str(), nullptr);
    auto plant = [](const std::string& path) {
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    };
    const std::string traces[] = {location + "\\a.tmp", location + "\\sub\\b.tmp"};
    const std::string canaries[] = {location + "\\keep.txt", root + "\\beside.tmp"};
    for (const std::string& path : traces) plant(path);
    for (const std::string& path : canaries) plant(path);
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows");
    HKEY windows = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    &windows, nullptr);
    const DWORD none = 0;  // custom locations only: nothing of the sandbox user's own
    RegSetValueExA(windows, "Targets", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&none), sizeof none);
    RegCloseKey(windows);
    SetGeneral("Targets", 0x01);
    SetGeneral("StTm", 0);
    SetGeneral("NotShowLogo", 1);

    Program ombrix(kOmbrix);
    ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
    PostMessageA(OmbrixWindow(), WM_COMMAND, 1014, 0);
    HWND sheet = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (sheet = TitledDialogOf(ombrix.Id(), "Ombrix")) != nullptr; }));

    PostMessageA(GetDlgItem(CurrentPage(sheet, 1), 1071), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = TitledDialogOf(ombrix.Id(), "Customize Cleaning Directories")) != nullptr; }));
    SetDlgItemTextA(dialog, 1088, location.c_str());
    SetDlgItemTextA(dialog, 1089, "*.tmp");
    SendMessageA(GetDlgItem(dialog, 1090), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, 1073), BM_CLICK, 0, 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1072, LB_GETCOUNT, 0, 0), 1);
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    HWND settings = CurrentPage(sheet, 0);
    SendMessageA(GetDlgItem(settings, 1094), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(settings, 1036), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] {
        return GetFileAttributesA(traces[0].c_str()) == INVALID_FILE_ATTRIBUTES &&
               GetFileAttributesA(traces[1].c_str()) == INVALID_FILE_ATTRIBUTES;
    }, 60000)) << "the location's files are swept";
    for (const std::string& path : canaries) EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_NE(GetFileAttributesA((location + "\\sub").c_str()), INVALID_FILE_ATTRIBUTES);

    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    EXPECT_EQ(GetGeneral("Targets") & 0x21u, 0x21u) << "Deep Sweep is stored";
    char stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows\\CusDir.0", "Dir", RRF_RT_REG_SZ, nullptr,
                 stored, &size);
    EXPECT_EQ(std::string(stored), location);
    PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
    EXPECT_EQ(ombrix.Ended(30000), 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows");
    SetGeneral("Targets", 0x01);
    RemoveScratchTree(root);
}

// "Preview Sweep" from the tray: the progress window, titled "Preview", counts what would go, and
// nothing goes, nor is a last sweep time stamped; "Sweep Now" afterwards sweeps for real.
TEST(Tray, PreviewSweepShowsWhatWouldGoAndRemovesNothing)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    const std::string root = "C:\\ombrix\\scratch\\tray-preview-" + std::to_string(GetCurrentProcessId());
    PlantTraceProfile(root);
    SetProfileEnvironment(root);
    SetGeneral("Targets", 0x17);
    SetGeneral("StTm", 0);
    SetGeneral("NotShowLogo", 1);
    SetGeneral("LsRn", 7);

    Program ombrix(kOmbrix);
    ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
    HWND window = OmbrixWindow();
    ASSERT_TRUE(WaitFor([window] { return !IsWindowVisible(window); }));  // started: its icon is in the tray
    PostMessageA(window, WM_COMMAND, 1022, 0);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "Preview") != nullptr; }));
    // Under Wine the log pane cannot be read from another process; the totals line can.
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (progress = FindWindowA(nullptr, "Preview Completed")) != nullptr; }, 60000));
    char totals[128] = {};
    GetDlgItemTextA(progress, 1083, totals, sizeof totals);
    int items = 0;
    double kb = 0;
    EXPECT_EQ(sscanf(totals, "Total: %d item(s) to sweep, %lf KB to restore.", &items, &kb), 2) << totals;
    EXPECT_GT(items, 50) << totals;
    const auto kept = CheckTraceProfile(root);
    EXPECT_GT(kept.size(), 20u) << "the preview removed traces";
    for (const auto& p : kept) EXPECT_EQ(p.rfind("canary lost", 0), std::string::npos) << p;
    EXPECT_EQ(GetGeneral("LsRn"), 7u);

    PostMessageA(OmbrixWindow(), WM_COMMAND, 1017, 0);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "Sweeping Completed") != nullptr; }, 60000));
    for (const auto& p : CheckTraceProfile(root)) ADD_FAILURE() << p;
    PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
    EXPECT_EQ(ombrix.Ended(30000), 0u);
    RemoveScratchTree(root);
}

// "Update the community rules every week": a start in the tray replaces a rules file older than a week
// in the background, and a failed update leaves it as it was; with the setting off, or a file of this
// week, nothing is asked.
TEST(Tray, TheWeeklyUpdateReplacesARulesFileOlderThanAWeek)
{
    ASSERT_EQ(OmbrixWindow(), nullptr) << "an Ombrix is already running";
    const std::string root = "C:\\ombrix\\scratch\\weekly-" + std::to_string(GetCurrentProcessId());
    const std::string path = root + "\\Roaming\\Ombrix\\winapp2.ini";
    const std::string rulesKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";
    const std::string old = "; the user's\r\n[Mine *]\r\nFileKey1=%AppData%\\Mine|*.log\r\n";
    const std::string fresh = "; Version: 251209\r\n[Fetched *]\r\nFileKey1=%AppData%\\Fetched|*.tmp\r\n";
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    SetEnvironmentVariableA("APPDATA", (root + "\\Roaming").c_str());
    SetGeneral("StTm", 0);
    SetGeneral("NotShowLogo", 1);
    const auto writeAged = [&](int days) {
        files::Write(path, old);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
        ticks.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000;
        const FILETIME then{ticks.LowPart, ticks.HighPart};
        SetFileTime(file, nullptr, nullptr, &then);
        CloseHandle(file);
    };
    // Started in the tray, and ended with "Exit" once `until` holds (or at once).
    const auto start = [&](const std::function<bool()>& until) {
        Program ombrix(kOmbrix);
        ASSERT_TRUE(WaitFor([] { return OmbrixWindow() != nullptr; }));
        EXPECT_TRUE(WaitFor(until));
        PostMessageA(OmbrixWindow(), WM_COMMAND, 1015, 0);
        EXPECT_EQ(ombrix.Ended(30000), 0u);
    };
    const LoopbackServer good(HttpAnswer(fresh)), missing(HttpAnswer(fresh, "404 Not Found"));
    reg::SetText(HKEY_CURRENT_USER, rulesKey, "Source", good.Url());

    writeAged(8);
    start([] { return true; });
    EXPECT_EQ(files::Read(path), old) << "the setting is off by default";
    reg::SetNumber(HKEY_CURRENT_USER, rulesKey, "UpdateWeekly", 1);
    writeAged(6);
    start([] { return true; });
    EXPECT_EQ(files::Read(path), old) << "the file is of this week";
    EXPECT_EQ(good.Requests(), 0);

    writeAged(8);
    reg::SetText(HKEY_CURRENT_USER, rulesKey, "Source", missing.Url());
    start([&] { return missing.Requests() == 1; });
    EXPECT_EQ(files::Read(path), old) << "a failed update leaves the file";
    reg::SetText(HKEY_CURRENT_USER, rulesKey, "Source", good.Url());
    start([&] { return files::Read(path) == fresh; });
    EXPECT_EQ(files::Read(path), fresh);

    SetEnvironmentVariableA("APPDATA", appData);
    RegDeleteTreeA(HKEY_CURRENT_USER, rulesKey.c_str());
    RemoveScratchTree(root);
}
