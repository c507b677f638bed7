#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <sstream>
#include "tests/support/run_program.h"
#include "tools/hostile_cookies.h"
#include "tools/hostile_profile.h"

namespace {

struct Options {
    bool shredder;
    bool deepSweep;
};

class HostileProfile : public testing::TestWithParam<Options> {};

std::string Describe(const testing::TestParamInfo<Options>& info)
{
    return std::string(info.param.shredder ? "Shredder" : "NoShredder") + (info.param.deepSweep ? "Deep" : "Plain");
}

// What a sweep said it left, to tell why its exit code says so.
std::string LeftLines(const std::string& log)
{
    std::string left;
    for (const char* start : {"  Left: ", "  Kept: "})
        for (size_t at = log.find(start); at != std::string::npos; at = log.find(start, at + 1))
            left += log.substr(at, log.find('\n', at) - at) + "\n";
    return left;
}

// Every "Left:" line names one of the profile's cookie databases.
void ExpectOnlyCookiesLeft(const std::string& log, const std::vector<std::string>& databases)
{
    std::istringstream lines(LeftLines(log));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  Left: ", 0) != 0) continue;  // what is kept by design may be
        const std::string path = line.substr(8, line.rfind(" (") - 8);
        EXPECT_NE(std::find(databases.begin(), databases.end(), path), databases.end()) << line;
    }
}

}  // namespace

// Hostile names, filters, links and temp variables, swept by the real program: nothing outside the
// targets changes, every trace goes, and every removal line is true. With Deep Sweep on, two sweeps
// start at once in the same profile (the later one may find the first and hand over to it).
TEST_P(HostileProfile, SweepsOnlyItsTargetsAndEveryLineIsTrue)
{
    const Options options = GetParam();
    const std::string root = "C:\\ombrix\\scratch\\hostile-" + std::to_string(GetCurrentProcessId()) + "-" +
                             Describe({options, 0});
    PlantHostileProfile(root, options.shredder, options.deepSweep);
    SetHostileEnvironment(root);
    const std::vector<std::string> logs = [&] {
        // Held open without sharing for the whole sweep, as a running program would.
        HANDLE busy = CreateFileA(HostileLockedFile(root).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(busy, INVALID_HANDLE_VALUE);
        const std::string once = "\"C:\\ombrix\\bin\\Ombrix.exe\" /once";
        std::vector<DWORD> codes;
        auto outputs = RunAllCapturing(options.deepSweep ? std::vector<std::string>{once, once}
                                                         : std::vector<std::string>{once},
                                       codes);
        // The cookie databases of strange shapes stay, the jump lists no reader may trust (planted with
        // the Shredder) and the locked file without Deep Sweep: every sweep that ran says so with the
        // exit code (one that handed over to the other ends with 0). With Deep Sweep no other file is
        // left in use.
        for (size_t i = 0; i < codes.size(); ++i) {
            const bool swept = outputs[i].find("Start clean up") != std::string::npos;
            EXPECT_EQ(codes[i], swept ? 3u : 0u) << LeftLines(outputs[i]);
            if (options.deepSweep) ExpectOnlyCookiesLeft(outputs[i], HostileCookieDatabases(root));
        }
        CloseHandle(busy);
        return outputs;
    }();
    const std::string removed = "Remove file: " + root + "\\Profile\\AppData\\Local\\Temp\\ж.txt, size";
    EXPECT_TRUE(std::any_of(logs.begin(), logs.end(), [&](const std::string& log) {
        return log.find(removed) != std::string::npos;
    })) << "the name is logged as it is: " << logs.front();
    for (const auto& problem : CheckHostileProfile(root, logs, options.deepSweep)) ADD_FAILURE() << problem;
    RemoveHostileProfile(root);
}

INSTANTIATE_TEST_SUITE_P(EveryOption, HostileProfile,
                         testing::Values(Options{false, false}, Options{true, false}, Options{false, true},
                                         Options{true, true}),
                         Describe);
