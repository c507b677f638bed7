#include "engine/protected_keys.h"
#include <windows.h>
#include <vector>
#include "engine/sweep_events.h"
#include "engine/sweep_log.h"
#include "framework/ascii_text.h"
#include "framework/file.h"

namespace {

struct KeptTree {
    const char* path;  // below either hive; a "*" step is any one step
    const char* what;
};
// Keys that, with everything below them and every key above them, are never deleted.
const KeptTree kKeptTrees[] = {
    {"SYSTEM", "the system's configuration"},
    {"SAM", "the system's configuration"},
    {"SECURITY", "the system's configuration"},
    {"Software\\Classes", "a key the system keeps"},
    {"Software\\Policies", "a key the system keeps"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Policies", "a key the system keeps"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "a key the system keeps"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "a key that starts programs"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "a key that starts programs"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", "a key that starts programs"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "a key that starts programs"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", "a key that starts programs"},
    // Where the user's folders and the profiles are: the folders a sweep keeps are found there.
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "a key that names the user's folders"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "a key that names the user's folders"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", "a key that names the profiles' folders"},
    {"Environment", "the user's environment"},
    {"Volatile Environment", "the user's environment"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\*\\UserChoice", "the user's choice of a program"},
};

std::vector<std::string> Steps(const std::string& path)
{
    std::vector<std::string> steps;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string step = path.substr(start, end - start);
        if (!step.empty() && !SameAscii(step, "Wow6432Node")) steps.push_back(step);
        start = end + 1;
    }
    return steps;
}

// A step of a key against a step of the table, as the registry compares names.
bool SameStep(const std::string& step, const std::string& kept)
{
    return kept == "*" || FileSystem::SamePath(step, kept);
}

// How many leading steps of the two agree.
size_t Agreeing(const std::vector<std::string>& path, const std::vector<std::string>& kept)
{
    size_t n = 0;
    while (n < path.size() && n < kept.size() && SameStep(path[n], kept[n])) ++n;
    return n;
}

bool AnyWildcard(const std::vector<std::string>& kept, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (kept[i] == "*") return true;
    return false;
}

}  // namespace

std::string KeptKeyRefusal(const std::string& path)
{
    const std::vector<std::string> steps = Steps(path);
    if (steps.empty()) return "is a whole hive";
    for (const KeptTree& tree : kKeptTrees) {
        const std::vector<std::string> kept = Steps(tree.path);
        if (Agreeing(steps, kept) < kept.size()) continue;
        return (steps.size() == kept.size() ? "is " : "lies in ") + std::string(tree.what);
    }
    if (steps.size() == 1) return "is a top key of its hive";
    // A key that holds a kept one; through a "*" step it may hold one, which is enough to keep it.
    for (const bool byName : {false, true}) {
        for (const KeptTree& tree : kKeptTrees) {
            const std::vector<std::string> kept = Steps(tree.path);
            if (steps.size() < kept.size() && Agreeing(steps, kept) == steps.size() &&
                AnyWildcard(kept, steps.size()) == byName)
                return "holds " + std::string(tree.what);
        }
    }
    return {};
}

void LogKeyRefusal(const std::string& shown, const std::string& words)
{
    LogLine(FormatLine("  Refused: %s %s.\n", shown.c_str(), words.c_str()).c_str(), kStatusLogOnly);
    SweepEvent event;
    event.type = SweepEvent::Type::Refused;
    event.target = shown;
    event.text = words.substr(words.find(' ') + 1);  // a script's reason is what is kept
    EmitSweepEvent(event);
}
