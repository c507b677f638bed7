#include "engine/protected_keys.h"
#include "framework/ascii_text.h"

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

// A key path as compared here: its steps in lower case (ASCII; the table's names are ASCII), joined
// by single backslashes, Wow6432Node steps left out.
std::string Folded(const std::string& path)
{
    std::string folded;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string step = AsciiLowered(std::string_view(path).substr(start, end - start));
        if (!step.empty() && step != "wow6432node") folded += (folded.empty() ? "" : "\\") + step;
        start = end + 1;
    }
    return folded;
}

bool AtOrBelow(const std::string& path, const std::string& kept)
{
    return path.size() >= kept.size() && path.compare(0, kept.size(), kept) == 0 &&
           (path.size() == kept.size() || path[kept.size()] == '\\');
}

// Below Explorer\FileExts\<ext>\UserChoice: the programs the user chose.
bool InUserChoice(const std::string& path)
{
    static const std::string fileExts = Folded("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts") + "\\";
    if (path.compare(0, fileExts.size(), fileExts) != 0) return false;
    const size_t extension = path.find('\\', fileExts.size());
    return extension != std::string::npos && AtOrBelow(path.substr(extension + 1), "userchoice");
}

}  // namespace

const char* ProtectedKeyReason(bool machine, const std::string& path)
{
    const std::string folded = Folded(path);
    for (const char* kept : kKeptKeys)
        if (folded == Folded(kept)) return folded.empty() ? "a whole hive" : "a key the system keeps";
    for (const char* kept : kKeptTrees) {
        const std::string tree = Folded(kept);
        if (AtOrBelow(folded, tree))
            return machine && tree.find('\\') == std::string::npos ? "the system's configuration" : "a key the system keeps";
    }
    if (InUserChoice(folded)) return "the user's choice of a program";
    return nullptr;
}
