#include <gtest/gtest.h>
#include <windows.h>
#include "app/command_line.h"
#include "tests/support/scratch.h"
#include "tools/trace_profile.h"

namespace {

// Runs a program with its standard output on a pipe and returns what it wrote.
std::string RunCapturing(std::string command, DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    std::string output;
    if (!started) {
        CloseHandle(read);
        return output;
    }
    // Read until the program has ended, not until the pipe closes: a process it started (Wine's
    // desktop, say) may hold the pipe open for good.
    const ULONGLONG end = GetTickCount64() + 120000;
    for (;;) {
        const bool ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
        DWORD available = 0;
        char buffer[4096];
        DWORD got = 0;
        while (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available &&
               ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got)
            output.append(buffer, got);
        if (ended || GetTickCount64() > end) break;
    }
    CloseHandle(read);
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return output;
}

}  // namespace

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

// Sweeps the planted profile with the real program, in the sandbox's own registry and a folder of its
// own, and checks that every trace is gone and every canary intact.
TEST(SweepOnce, SweepsThePlantedProfileAndKeepsEveryCanary)
{
    const std::string root = "C:\\ombrix\\scratch\\once-" + std::to_string(GetCurrentProcessId());
    PlantTraceProfile(root);
    SetProfileEnvironment(root);
    DWORD code = 99;
    const std::string output = RunCapturing("\"C:\\ombrix\\bin\\Ombrix.exe\" -once", &code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(output.find("  Clean up MRU in registry key: Explorer\\RunMRU\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  Clean up 'Recycle Bin'. Items 2,"), std::string::npos) << output;
    const auto problems = CheckTraceProfile(root);
    for (const auto& p : problems) ADD_FAILURE() << p;
    RemoveScratchTree(root);
}
