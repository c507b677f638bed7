#include "engine/protected_keys.h"
#include <windows.h>
#include <vector>

namespace {

// Keys that are never deleted themselves (their subkeys may be).
const char* const kKeptKeys[] = {
    "",
    "Software",
    "Software\\Microsoft",
    "Software\\Microsoft\\Windows",
    "Software\\Microsoft\\Windows\\CurrentVersion",
    "Software\\Microsoft\\Windows NT",
    "Software\\Microsoft\\Windows NT\\CurrentVersion",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "Software\\Classes",
    "Software\\Policies",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies",
};
// Keys that, with everything below them, are never deleted.
const char* const kKeptTrees[] = {
    "SYSTEM",
    "SAM",
    "SECURITY",
    "Software\\Classes",
    "Software\\Policies",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
};

std::vector<std::string> Steps(const std::string& path)
{
    std::vector<std::string> steps;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            const std::string step = path.substr(start, end - start);
            if (lstrcmpiA(step.c_str(), "Wow6432Node") != 0) steps.push_back(step);
        }
        start = end + 1;
    }
    return steps;
}

bool SameSteps(const std::vector<std::string>& a, const std::vector<std::string>& b, size_t count)
{
    if (a.size() < count || b.size() < count) return false;
    for (size_t i = 0; i < count; ++i)
        if (lstrcmpiA(a[i].c_str(), b[i].c_str()) != 0) return false;
    return true;
}

// Below Explorer\FileExts\<ext>\UserChoice: the programs the user chose.
bool InUserChoice(const std::vector<std::string>& steps)
{
    const std::vector<std::string> fileExts = Steps("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts");
    return steps.size() > fileExts.size() + 1 && SameSteps(steps, fileExts, fileExts.size()) &&
           lstrcmpiA(steps[fileExts.size() + 1].c_str(), "UserChoice") == 0;
}

}  // namespace

const char* ProtectedKeyReason(bool machine, const std::string& path)
{
    const std::vector<std::string> steps = Steps(path);
    for (const char* kept : kKeptKeys) {
        const std::vector<std::string> keptSteps = Steps(kept);
        if (steps.size() == keptSteps.size() && SameSteps(steps, keptSteps, steps.size()))
            return steps.empty() ? "a whole hive" : "a key the system keeps";
    }
    for (const char* kept : kKeptTrees) {
        const std::vector<std::string> keptSteps = Steps(kept);
        if (SameSteps(steps, keptSteps, keptSteps.size()))
            return keptSteps.size() == 1 && machine ? "the system's configuration" : "a key the system keeps";
    }
    if (InUserChoice(steps)) return "the user's choice of a program";
    return nullptr;
}
