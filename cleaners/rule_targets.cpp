#include "cleaners/rule_targets.h"
#include <windows.h>
#include "cleaners/browser_profile.h"
#include "engine/sweep_finder.h"

namespace {

struct Reference {
    const char* name;
    const char* environment;  // or null, with
    const char* shellFolder;  // the user's shell folder value
};
// The references a rule may use; any other names nothing.
const Reference kReferences[] = {
    {"AppData", nullptr, "AppData"},
    {"LocalAppData", nullptr, "Local AppData"},
    {"LocalLowAppData", nullptr, "{A520A1A4-1780-4FF6-BD18-167343C5AF16}"},
    {"Documents", nullptr, "Personal"},
    {"Desktop", nullptr, "Desktop"},
    {"Pictures", nullptr, "My Pictures"},
    {"Music", nullptr, "My Music"},
    {"Video", nullptr, "My Video"},
    {"UserProfile", "USERPROFILE", nullptr},
    {"ProgramFiles", "ProgramFiles", nullptr},
    {"CommonProgramFiles", "CommonProgramFiles", nullptr},
    {"CommonAppData", "ProgramData", nullptr},
    {"ProgramData", "ProgramData", nullptr},
    {"AllUsersProfile", "ALLUSERSPROFILE", nullptr},
    {"Public", "PUBLIC", nullptr},
    {"WinDir", "windir", nullptr},
    {"SystemRoot", "SystemRoot", nullptr},
    {"SystemDrive", "SystemDrive", nullptr},
    {"Temp", "TEMP", nullptr},
    {"Tmp", "TMP", nullptr},
};

const Reference* FindReference(const std::string& name)
{
    for (const Reference& reference : kReferences)
        if (lstrcmpiA(reference.name, name.c_str()) == 0) return &reference;
    return nullptr;
}

std::optional<std::string> ReferenceValue(const std::string& name)
{
    const Reference* reference = FindReference(name);
    if (!reference) return std::nullopt;
    if (reference->shellFolder) return ShellFolderPath(reference->shellFolder);
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(reference->environment, value, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return std::string(value, n);
}

std::vector<std::string> Steps(const std::string& path)
{
    std::vector<std::string> steps;
    for (std::string_view step : FileSystem::PathComponents(path))
        if (!step.empty()) steps.emplace_back(step);
    return steps;
}

std::string Joined(const std::vector<std::string>& steps, size_t count)
{
    std::string path;
    for (size_t i = 0; i < count; ++i) path += (i ? "\\" : "") + steps[i];
    return path;
}

}  // namespace

bool KnownReferences(const std::string& path)
{
    for (size_t open = path.find('%'); open != std::string::npos; open = path.find('%', open + 1)) {
        const size_t close = path.find('%', open + 1);
        if (close == std::string::npos || !FindReference(path.substr(open + 1, close - open - 1))) return false;
        open = close;
    }
    return true;
}

std::optional<std::string> ExpandRulePath(const std::string& path)
{
    std::string expanded;
    for (size_t at = 0; at < path.size();) {
        const size_t open = path.find('%', at);
        if (open == std::string::npos) {
            expanded += path.substr(at);
            break;
        }
        const size_t close = path.find('%', open + 1);
        if (close == std::string::npos) return std::nullopt;
        const std::optional<std::string> value = ReferenceValue(path.substr(open + 1, close - open - 1));
        if (!value || value->empty()) return std::nullopt;
        expanded += path.substr(at, open - at) + *value;
        at = close + 1;
    }
    if (expanded.size() == 2 && expanded[1] == ':') expanded += '\\';  // "%SystemDrive%" is the drive's own folder
    if (expanded.size() < 3 || expanded[1] != ':' || expanded[2] != '\\') return std::nullopt;  // a drive's path only
    return expanded;
}

std::vector<ReachedEntry> RuleFolders(const std::string& expanded)
{
    const std::vector<std::string> steps = Steps(expanded);
    size_t firstWildcard = 0;
    while (firstWildcard < steps.size() && !HasWildcards(steps[firstWildcard])) ++firstWildcard;
    // The walk starts at the deepest plain folder above the named one, so that the named one is
    // reached from its parent: a drive's own folder is only listed for the folders in it, and the
    // drive itself is never walked.
    const size_t start = std::min(firstWildcard, steps.size() - 1);
    if (steps.size() < 2 || start < 1 || HasWildcards(steps[0])) return {};
    const std::optional<ReachedEntry> top = start == 1 ? DriveFolder(steps[0]) : StartFolder(Joined(steps, start));
    if (!top) return {};
    std::vector<ReachedEntry> reached{*top};
    for (size_t i = start; i < steps.size(); ++i) {
        std::vector<ReachedEntry> next;
        for (const ReachedEntry& folder : reached) {
            if (HasWildcards(steps[i])) {
                ForEachEntry(folder, steps[i].c_str(), [&](ReachedEntry& entry) {
                    if (entry.IsFolder()) next.push_back(std::move(entry));
                });
            } else if (std::optional<ReachedEntry> entry = Reach(folder, steps[i]); entry && entry->IsFolder()) {
                next.push_back(std::move(*entry));
            }
        }
        reached = std::move(next);
    }
    return reached;
}

bool RuleFileExists(const std::string& path)
{
    const std::optional<std::string> expanded = ExpandRulePath(path);
    if (!expanded) return false;
    const size_t slash = expanded->find_last_of('\\');
    const std::string name = expanded->substr(slash + 1);
    if (HasWildcards(expanded->substr(0, slash))) return false;
    if (!HasWildcards(name)) return FileSystem::Exists(*expanded);
    const std::optional<ReachedEntry> folder = StartFolder(expanded->substr(0, slash));
    bool found = false;
    if (folder) ForEachEntry(*folder, name.c_str(), [&](ReachedEntry&) { found = true; });
    return found;
}
