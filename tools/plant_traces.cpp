// Plants the demo profile of Windows traces in the sandbox, or checks it after a sweep.
//   plant_traces plant <root>   |   plant_traces check <root>
//   plant_traces demo <root> <Ombrix.exe>: plants, sweeps with "/once" (its log on this output), checks
//   plant_traces tray <root> <Ombrix.exe>: starts Ombrix in the tray with a planted profile's environment
//   plant_traces run <root> <command line>: runs a command with that environment, its output on this one
//   plant_traces hold <file> <release file>: holds a file open without delete sharing, as a program in
//       use holds it, until the release file appears; "<file>.held" says when it is held
//   plant_traces hostile <root> | run-hostile <root> <command line> | hostile-remove <root>: the hostile
//       profile with the Shredder and Deep Sweep on (its file in use printed), a command in its
//       environment, and its removal
//   plant_traces state: the URL cache entries and the Recycle Bin's count and size, for snapshots
#include <windows.h>
#include <wininet.h>
#include <shellapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "tools/hostile_profile.h"
#include "tools/profile_tools.h"
#include "tools/trace_profile.h"

// Starts a program; with a wait, waits for it and returns its exit code.
int Run(std::string command, bool wait)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    if (!wait) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        return 0;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
}

// Checks the profile and prints what is wrong; the exit status says whether all is well.
int CheckAndReport(const char* root, const char* gap)
{
    const auto problems = CheckTraceProfile(root);
    for (const auto& p : problems) printf("%s\n", p.c_str());
    printf("%s%s\n", gap, problems.empty() ? "every trace is gone and every canary intact" : "the sweep left problems");
    return problems.empty() ? 0 : 1;
}

int Hold(const std::string& file, const std::string& release)
{
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(held, "in use", 6, &written, nullptr);
    WriteFileText(file + ".held", "held");
    for (int i = 0; i < 6000 && GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    CloseHandle(held);
    return 0;
}

// The plain enumeration: Wine's filtered one is a stub.
void PrintState()
{
    std::vector<std::string> lines;
    std::vector<BYTE> buffer(64 * 1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, entry, &size);
    for (bool more = find != nullptr; more;) {
        lines.push_back(std::string("cache ") + entry->lpszSourceUrlName + " " +
                        (entry->lpszLocalFileName ? entry->lpszLocalFileName : "") + " " + std::to_string(entry->CacheEntryType));
        size = static_cast<DWORD>(buffer.size());
        more = FindNextUrlCacheEntryA(find, entry, &size);
    }
    if (find) FindCloseUrlCache(find);
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines) printf("%s\n", line.c_str());
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (SUCCEEDED(SHQueryRecycleBinA(nullptr, &bin)))
        printf("recycle bin: %lld item(s), %lld byte(s)\n", static_cast<long long>(bin.i64NumItems),
               static_cast<long long>(bin.i64Size));
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "plant") == 0) {
        PlantTraceProfile(argv[2]);
        printf("planted the demo profile in %s\n", argv[2]);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "check") == 0) return CheckAndReport(argv[2], "");
    if (argc == 4 && strcmp(argv[1], "demo") == 0) {
        PlantTraceProfile(argv[2]);
        printf("planted the demo profile in %s; sweeping it with Ombrix.exe /once:\n\n", argv[2]);
        fflush(stdout);
        SetProfileEnvironment(argv[2]);
        // The damaged Notepad tab stays (not read) and counts as left: the sweep ends with 3, and only so.
        if (Run(std::string("\"") + argv[3] + "\" /once", true) != 3) return 1;
        return CheckAndReport(argv[2], "\n\n");
    }
    if (argc == 4 && strcmp(argv[1], "tray") == 0) {
        SetProfileEnvironment(argv[2]);
        return Run(std::string("\"") + argv[3] + "\"", false) == 0 ? 0 : 1;
    }
    if (argc == 4 && strcmp(argv[1], "run") == 0) {
        SetProfileEnvironment(argv[2]);
        return Run(argv[3], true);
    }
    if (argc == 3 && strcmp(argv[1], "hostile") == 0) {
        PlantHostileProfile(argv[2], true, true);
        printf("%s\n", HostileLockedFile(argv[2]).c_str());
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "run-hostile") == 0) {
        SetHostileEnvironment(argv[2]);
        return Run(argv[3], true);
    }
    if (argc == 3 && strcmp(argv[1], "hostile-remove") == 0) {
        RemoveHostileProfile(argv[2]);
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
    if (argc == 2 && strcmp(argv[1], "state") == 0) {
        PrintState();
        return 0;
    }
    fprintf(stderr, "usage: plant_traces plant|check <root> | demo|tray|run <root> <Ombrix.exe> | hold <file> <release> | state\n");
    return 2;
}
