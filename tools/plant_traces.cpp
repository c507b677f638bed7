// Plants the demo profile of Windows traces in the sandbox, or checks it after a sweep.
//   plant_traces plant <root>   |   plant_traces check <root>
//   plant_traces demo <root> <Ombrix.exe>: plants, sweeps with "/once" (its log on this output), checks
//   plant_traces tray <root> <Ombrix.exe>: starts Ombrix in the tray with a planted profile's environment
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
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
        if (Run(std::string("\"") + argv[3] + "\" /once", true) != 0) return 1;
        return CheckAndReport(argv[2], "\n\n");
    }
    if (argc == 4 && strcmp(argv[1], "tray") == 0) {
        SetProfileEnvironment(argv[2]);
        return Run(std::string("\"") + argv[3] + "\"", false) == 0 ? 0 : 1;
    }
    fprintf(stderr, "usage: plant_traces plant|check <root> | demo|tray <root> <Ombrix.exe>\n");
    return 2;
}
