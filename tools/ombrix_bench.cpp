// Benchmark driver: times one engine operation in the sandbox and prints seconds on standard output.
//   ombrix_bench remove <folder> <window 0|1>   RemoveTree of everything in the folder
//   ombrix_bench shred <file>                   the Shredder's two passes over a file
//   ombrix_bench log <lines> <shown 0|1>        a worker logging that many lines into the progress window
//   ombrix_bench mru-plant <n> | mru <n>        an MRU key of n values under HKCU, and its sweep
//   ombrix_bench cache-plant <n> | cache-bare | cache
//                                               n content entries with files; a bare walk deleting each
//                                               entry and its file; the content sweep
//   ombrix_bench preview <folder> | walk <folder>
//                                               a preview of the folder as a custom location with its
//                                               subfolders; a bare FindFirstFile/FindNextFile walk of it
//   ombrix_bench bare-remove <folder> | safe-floor <folder>
//                                               the folder's tree removed by a bare FindFirstFileA and
//                                               DeleteFileA walk; by the least link-safe walk (each entry
//                                               opened, its resolved path compared, removed by handle)
//   ombrix_bench once <folder> <nul|file|pipe>  Ombrix.exe /once sweeping the folder as its temp folder,
//                                               its standard output to NUL, a file or a pipe read here
//   ombrix_bench rules <appdata>                the community rules of <appdata>\Ombrix\winapp2.ini read,
//                                               then detected
//   ombrix_bench community <root>               the same of a machine below <root> (its profile, its
//                                               program folders), as Sweep More opens; then, every rule
//                                               for the machine ticked, read and detected as a sweep starts
//   ombrix_bench cookies <folder> <site...>     the Chromium cookie database "Cookies" in the folder
//                                               cleaned of every row but the friendly sites'
//   ombrix_bench rule-walk <appdata> <profile>  the ticked rule of <appdata>\Ombrix\winapp2.ini swept, its
//                                               folders below <profile> (a '*' step over many folders)
//   ombrix_bench web-views <local>              the search for embedded web views below <local>
#include <windows.h>
#include <wininet.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include "cleaners/community_rules.h"
#include "cleaners/web_views.h"
#include "engine/cookie_database.h"
#include "engine/protected_folders.h"
#include "engine/file_removal.h"
#include "engine/registry_ops.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_preview.h"
#include "engine/url_cache_sweep.h"
#include "ui/sweep_progress_dlg.h"

namespace {

double Seconds(LARGE_INTEGER from)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Runs the work on a worker thread while this thread, the window's, answers its messages.
template <class Work>
void OnWorker(Work work)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        work();
        SetEvent(done);
    });
    while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    worker.join();
    CloseHandle(done);
}

int TimeRemoval(const std::string& folder, bool window)
{
    if (window) {
        CSweepProgressDlg* dialog = CSweepProgressDlg::CreateProgressWindow(nullptr, true);
        if (!dialog) return 2;
    }
    int items = 0;
    float kb = 0.0f;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    // As in a sweep: a worker removes while the window's thread runs its messages.
    OnWorker([&] { CSweepFinder(folder + "\\*.*", false).RemoveTree(TreeMode::Plain, kStatusWindows, &items, &kb); });
    FlushPendingLog();
    const double seconds = Seconds(start);
    printf("%.3f %d\n", seconds, items);
    CSweepProgressDlg::DestroyProgressWindow();
    return 0;
}

// Prints the whole time and the time of the first and the last tenth of the lines, which shows
// whether appending slows as the log grows.
int TimeLog(int lines, bool shown)
{
    CSweepProgressDlg* dialog = CSweepProgressDlg::CreateProgressWindow(nullptr, shown);
    if (!dialog) return 2;
    const int tenth = lines / 10;
    double firstTenth = 0, lastTenthStart = 0, total = 0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    OnWorker([&] {
        for (int i = 1; i <= lines; ++i) {
            char text[kLineBufferSize];
            FormatLogLine(text, sizeof text,
                          "   Item %d, Remove file: C:\\ombrix\\bench\\tree\\folder%03d\\file%03d.tmp, size 0.500(KB).\n",
                          i, i / 100, i % 100);
            LogLine(text, kStatusWindows);
            if (i == tenth) { FlushPendingLog(); firstTenth = Seconds(start); }
            if (i == lines - tenth) { FlushPendingLog(); lastTenthStart = Seconds(start); }
        }
        FlushPendingLog();
        total = Seconds(start);
    });
    HWND pane = GetDlgItem(dialog->GetSafeHwnd(), ProgressIds().logPane);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(pane)) + 1, '\0');
    GetWindowTextA(pane, text.data(), static_cast<int>(text.size()));
    // Paragraphs, not the pane's wrapped display lines; the opening line is one of them.
    const long kept = std::count(text.begin(), text.end(), '\r');
    printf("%.3f %.3f %.3f %ld\n", total, firstTenth, total - lastTenthStart, kept);
    CSweepProgressDlg::DestroyProgressWindow();
    return 0;
}

int TimeShred(const std::string& file)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const int result = ShredFile(file);
    printf("%.3f\n", Seconds(start));
    return result > 0 ? 0 : 1;
}

const char* const kBenchKey = "Software\\OmbrixBench\\MRU";

int PlantMru(int count)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return 1;
    const std::string data = "C:\\Users\\me\\Documents\\report.doc";
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(i) + "v";
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    }
    RegSetValueExA(key, "MRUList", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 4);
    RegCloseKey(key);
    return 0;
}

int TimeMru()
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    int items = 0;
    float kb = 0.0f;
    CRegistryKey key(HKEY_CURRENT_USER, kBenchKey, kKeyChange);
    key.SetPath(kBenchKey);
    CleanTarget target;
    target.key = &key;
    CleanMRU(target, kStatusWindows, &items, &kb);
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

int TimeCookies(const char* folder, int count, char** sites)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const std::optional<ReachedEntry> top = StartFolder(folder);
    std::optional<ReachedEntry> file = top ? Reach(*top, "Cookies") : std::nullopt;
    if (!file) return 1;
    int items = 0;
    float kb = 0.0f;
    CleanCookieDatabase(*top, *file, kChromiumCookies, FriendlySites(sites, sites + count), kStatusInternet, &items, &kb);
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

// The community rules read as Sweep More reads them, then detected, each timed.
struct RulesRead {
    std::shared_ptr<const RuleCatalogue> catalogue;
    std::vector<bool> found;
    double read;
    double detect;
    long Detected() const { return static_cast<long>(std::count(found.begin(), found.end(), true)); }
};

RulesRead ReadAndDetectRules()
{
    RulesRead rules;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    RefreshCommunityRules();
    rules.catalogue = CommunityRules();
    rules.read = Seconds(start);
    QueryPerformanceCounter(&start);
    rules.found = DetectRules(rules.catalogue->rules);
    rules.detect = Seconds(start);
    return rules;
}

int TimeRules(const char* appData)
{
    SetEnvironmentVariableA("APPDATA", appData);
    const RulesRead rules = ReadAndDetectRules();
    printf("%.3f %.3f %zu %ld\n", rules.read, rules.detect, rules.catalogue->rules.size(), rules.Detected());
    return 0;
}

// The machine below the root is the process's own: its profile, its program folders.
void MoveMachineTo(const std::string& root)
{
    const std::string profile = root + "\\Profile";
    const std::pair<const char*, std::string> variables[] = {
        {"USERPROFILE", profile},
        {"APPDATA", profile + "\\AppData\\Roaming"},
        {"LOCALAPPDATA", profile + "\\AppData\\Local"},
        {"ProgramFiles", root + "\\Program Files"},
        {"ProgramFiles(x86)", root + "\\Program Files (x86)"},
        {"CommonProgramFiles", root + "\\Program Files\\Common Files"},
        {"CommonProgramFiles(x86)", root + "\\Program Files (x86)\\Common Files"},
    };
    for (const auto& [name, value] : variables) SetEnvironmentVariableA(name, value.c_str());
}

int TimeCommunityRules(const char* root)
{
    MoveMachineTo(root);
    const RulesRead rules = ReadAndDetectRules();
    std::vector<std::string> ticked;
    for (size_t i = 0; i < rules.found.size(); ++i)
        if (rules.found[i]) ticked.push_back(rules.catalogue->rules[i].name);
    // As /once: the rules read at its start, then each category's ticked rules detected as its worker starts.
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    RefreshCommunityRules();
    size_t toSweep = 0;
    for (const RuleGroup group : {RuleGroup::Applications, RuleGroup::Windows, RuleGroup::Internet})
        toSweep += RulesToSweep(*CommunityRules(), group, ticked).size();
    printf("%.3f %.3f %zu %ld %.3f %zu\n", rules.read, rules.detect, rules.catalogue->rules.size(), rules.Detected(),
           Seconds(start), toSweep);
    return 0;
}

int TimeRuleWalk(const char* appData, const char* profile)
{
    SetEnvironmentVariableA("APPDATA", appData);
    SetEnvironmentVariableA("USERPROFILE", profile);  // a rule names its folders through %UserProfile%
    RefreshCommunityRules();
    const std::shared_ptr<const RuleCatalogue> catalogue = CommunityRules();
    if (catalogue->rules.empty()) return 1;
    std::string enabled = catalogue->rules.front().name + '\0' + '\0';
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Rules", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr))
        return 1;
    RegSetValueExA(key, "Enabled", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(enabled.data()),
                   static_cast<DWORD>(enabled.size()));
    RegCloseKey(key);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    int items = 0;
    float kb = 0.0f;
    {
        const KeptFoldersHold kept;  // as every sweep holds them
        SweepCommunityRules(catalogue->rules.front().group, kStatusApplications, &items, &kb);
    }
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

// The App Web Caches item's search, as a sweep runs it (the kept folders found before it starts).
int TimeWebViewSearch(const char* local)
{
    const KeptFoldersHold kept;
    const std::optional<ReachedEntry> top = StartFolder(local);
    if (!top) return 1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const size_t found = FindWebViews(*top).size();
    printf("%.3f %zu\n", Seconds(start), found);
    return 0;
}

int PlantCache(int count)
{
    FILETIME none{};
    for (int i = 0; i < count; ++i) {
        const std::string url = "http://bench" + std::to_string(i % 50) + ".example/page" + std::to_string(i) + ".html";
        char file[MAX_PATH] = {};
        if (!CreateUrlCacheEntryA(url.c_str(), 0, "html", file, 0)) return 1;
        HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(h, url.data(), static_cast<DWORD>(url.size()), &written, nullptr);
        CloseHandle(h);
        CommitUrlCacheEntryA(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
    }
    return 0;
}

// What any program must do at the least: find each entry, delete it and its file.
int TimeBareCacheWalk()
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::vector<BYTE> buffer(4248);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    int items = 0;
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, entry, &size);
    for (BOOL more = find != nullptr; more; more = FindNextUrlCacheEntryA(find, entry, &size)) {
        const std::string file = entry->lpszLocalFileName ? entry->lpszLocalFileName : "";
        if (DeleteUrlCacheEntryA(entry->lpszSourceUrlName)) ++items;
        if (!file.empty()) DeleteFileA(file.c_str());
        size = static_cast<DWORD>(buffer.size());
    }
    if (find) FindCloseUrlCache(find);
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

int TimeCacheSweep()
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    int items = 0;
    float kb = 0.0f;
    SweepUrlCache(kContentEntries, "", "Contents Cache", kStatusInternet, &items, &kb);
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

void SetNumber(const char* path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)) return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// The output the sweep writes to, and for a pipe the reader that drains it as a consumer would.
HANDLE OpenOutput(const std::string& mode, HANDLE& reader)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (mode == "pipe") {
        HANDLE write = nullptr;
        if (!CreatePipe(&reader, &write, &inherit, 1 << 16)) return INVALID_HANDLE_VALUE;
        SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
        return write;
    }
    const char* name = mode == "nul" ? "NUL" : "C:\\ombrix\\bench\\once-output.txt";
    return CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, nullptr);
}

int TimeOnce(const char* folder, const std::string& mode)
{
    for (const char* name : {"TEMP", "TMP", "TMPDIR"}) SetEnvironmentVariableA(name, folder);
    SetNumber("SOFTWARE\\Quillane\\Ombrix\\General Settings", "Targets", 0x01);
    SetNumber("SOFTWARE\\Quillane\\Ombrix\\Windows", "Targets", 0x08);
    HANDLE reader = nullptr;
    HANDLE output = OpenOutput(mode, reader);
    if (output == INVALID_HANDLE_VALUE) return 1;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    char command[] = "\"C:\\ombrix\\bin\\Ombrix.exe\" /once";
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return 1;
    CloseHandle(output);
    size_t bytes = 0;
    if (reader) {
        char block[1 << 16];
        DWORD got = 0;
        while (ReadFile(reader, block, sizeof block, &got, nullptr) && got) bytes += got;
        CloseHandle(reader);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    printf("%.3f %zu\n", Seconds(start), bytes);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 0;
}

}  // namespace

// A custom location's walk (mode 1, with subfolders), through the preview's actions.
int TimePreview(const std::string& folder)
{
    int items = 0;
    float kb = 0.0f;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    {
        CPreviewScope preview;
        CSweepFinder(folder + "\\*.*", true).RemoveTree(TreeMode::Cache, kStatusWindows, &items, &kb);
    }
    printf("%.3f %d\n", Seconds(start), items);
    return 0;
}

// Every entry below the folder, the deepest first, handed to `visit(path, isFolder)`; counts the
// entries it took.
template <class Visit>
int WalkTree(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int entries = 0;
    do {
        if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
        const std::string path = folder + "\\" + data.cFileName;
        const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (isFolder) entries += WalkTree(path, visit);
        entries += visit(path, isFolder) ? 1 : 0;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

// A bare FindFirstFile/FindNextFile walk: every entry counted, nothing done.
bool Count(const std::string&, bool) { return true; }

// FindFirstFileA and DeleteFileA, nothing else: the least any removal of the tree does.
bool RemoveBare(const std::string& path, bool folder)
{
    return folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
}

// The least a link-safe removal must do under Wine, where a link looks like a plain entry: open each
// entry, compare the path it resolves to with the path walked, and remove it through that handle.
bool RemoveIfItIsWhereItWasFound(const std::string& path, bool folder)
{
    HANDLE h = CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char resolved[MAX_PATH * 2];
    const DWORD n = GetFinalPathNameByHandleA(h, resolved, sizeof resolved, FILE_NAME_NORMALIZED);
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool same = n > 4 && n < sizeof resolved && path == resolved + 4;  // past "\\?\"
    const bool removed = same && SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(h);
    return removed;
}

template <class Visit>
int TimeWalk(const std::string& folder, Visit visit)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const int entries = WalkTree(folder, visit);
    printf("%.3f %d\n", Seconds(start), entries);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "remove") == 0) return TimeRemoval(argv[2], strcmp(argv[3], "1") == 0);
    if (argc == 3 && strcmp(argv[1], "shred") == 0) return TimeShred(argv[2]);
    if (argc == 4 && strcmp(argv[1], "log") == 0) return TimeLog(atoi(argv[2]), strcmp(argv[3], "1") == 0);
    if (argc == 3 && strcmp(argv[1], "mru-plant") == 0) return PlantMru(atoi(argv[2]));
    if (argc == 3 && strcmp(argv[1], "mru") == 0) return TimeMru();
    if (argc == 3 && strcmp(argv[1], "cache-plant") == 0) return PlantCache(atoi(argv[2]));
    if (argc == 2 && strcmp(argv[1], "cache-bare") == 0) return TimeBareCacheWalk();
    if (argc == 2 && strcmp(argv[1], "cache") == 0) return TimeCacheSweep();
    if (argc == 3 && strcmp(argv[1], "preview") == 0) return TimePreview(argv[2]);
    if (argc == 3 && strcmp(argv[1], "walk") == 0) return TimeWalk(argv[2], Count);
    if (argc == 3 && strcmp(argv[1], "bare-remove") == 0) return TimeWalk(argv[2], RemoveBare);
    if (argc == 3 && strcmp(argv[1], "safe-floor") == 0) return TimeWalk(argv[2], RemoveIfItIsWhereItWasFound);
    if (argc == 4 && strcmp(argv[1], "once") == 0) return TimeOnce(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "rules") == 0) return TimeRules(argv[2]);
    if (argc == 3 && strcmp(argv[1], "community") == 0) return TimeCommunityRules(argv[2]);
    if (argc == 4 && strcmp(argv[1], "rule-walk") == 0) return TimeRuleWalk(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "web-views") == 0) return TimeWebViewSearch(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "cookies") == 0) return TimeCookies(argv[2], argc - 3, argv + 3);
    fprintf(stderr, "usage: ombrix_bench remove <folder> <window 0|1> | shred <file>\n");
    return 2;
}
