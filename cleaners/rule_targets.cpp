#include "cleaners/rule_targets.h"
#include <windows.h>
#include <algorithm>
#include "cleaners/browser_profile.h"
#include "engine/protected_folders.h"
#include "engine/sweep_finder.h"
#include "framework/file_find.h"

namespace {

struct Reference {
    const char* name;
    const char* environment;  // or null, with
    const char* shellFolder;  // the user's shell folder value
    const char* x86 = nullptr;  // the 32-bit folder's variable, where a detection means both
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
    {"ProgramFiles", "ProgramFiles", nullptr, "ProgramFiles(x86)"},
    {"CommonProgramFiles", "CommonProgramFiles", nullptr, "CommonProgramFiles(x86)"},
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

std::string Folded(std::string text)
{
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

const Reference* FindReference(const std::string& name)
{
    for (const Reference& reference : kReferences)
        if (lstrcmpiA(reference.name, name.c_str()) == 0) return &reference;
    return nullptr;
}

std::optional<std::string> ReferenceValue(const std::string& name, bool x86 = false)
{
    const Reference* reference = FindReference(name);
    if (!reference) return std::nullopt;
    if (reference->shellFolder) return ShellFolderPath(reference->shellFolder);
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(x86 && reference->x86 ? reference->x86 : reference->environment, value, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return std::string(value, n);
}

// A rule's path with each reference's value from `value`; none when one has none, or when it is not
// a drive's path.
template <class Value>
std::optional<std::string> ExpandWith(const std::string& path, Value value)
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
        const std::optional<std::string> found = value(path.substr(open + 1, close - open - 1));
        if (!found || found->empty()) return std::nullopt;
        expanded += path.substr(at, open - at) + *found;
        at = close + 1;
    }
    if (expanded.size() == 2 && expanded[1] == ':') expanded += '\\';  // "%SystemDrive%" is the drive's own folder
    if (expanded.size() < 3 || expanded[1] != ':' || expanded[2] != '\\') return std::nullopt;  // a drive's path only
    return expanded;
}

bool NamesX86(const std::string& path)
{
    for (const Reference& reference : kReferences)
        if (reference.x86 && Folded(path).find(Folded(std::string("%") + reference.name + "%")) != std::string::npos)
            return true;
    return false;
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
    return ExpandWith(path, [](const std::string& name) { return ReferenceValue(name); });
}

std::string WildcardBelowDrive(const std::string& expanded)
{
    const size_t drive = expanded.find('\\');
    if (drive == std::string::npos) return {};
    const size_t end = expanded.find('\\', drive + 1);
    return HasWildcards(expanded.substr(drive + 1, end == std::string::npos ? end : end - drive - 1))
               ? expanded + " takes folders right below a drive by a wildcard"
               : std::string();
}

std::string FileKeyRefusal(const RuleFileKey& key)
{
    const std::optional<std::string> expanded = ExpandRulePath(key.folder);
    if (!expanded) return key.folder + " names a folder Ombrix does not know here";
    if (const std::string below = WildcardBelowDrive(*expanded); !below.empty()) return below;
    if (HasWildcards(*expanded)) return {};
    std::string line = ProtectedFolderRefusal(*expanded, *expanded, PatternSource::Data);
    // The words of the line: "  Refused: <folder> is <what>.\n".
    constexpr std::string_view kHead = "  Refused: ";
    if (line.rfind(kHead, 0) == 0) line.erase(0, kHead.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '.')) line.pop_back();
    return line;
}

namespace {

// Depth first, so that only the folders on the way down are open: a '*' step over tens of
// thousands of folders held them all open at once, and under Wine the opens past its limit failed,
// leaving the rest unswept and unsaid.
void Descend(ReachedEntry& folder, const std::vector<std::string>& steps, size_t step,
             const std::function<void(ReachedEntry&)>& visit)
{
    if (step == steps.size()) {
        visit(folder);
    } else if (HasWildcards(steps[step])) {
        ForEachEntry(folder, steps[step].c_str(), [&](ReachedEntry& entry) {
            if (entry.IsFolder()) Descend(entry, steps, step + 1, visit);
        });
    } else if (std::optional<ReachedEntry> entry = Reach(folder, steps[step]); entry && entry->IsFolder()) {
        Descend(*entry, steps, step + 1, visit);
    }
}

}  // namespace

void ForEachRuleFolder(const std::string& expanded, const std::function<void(ReachedEntry&)>& visit)
{
    const std::vector<std::string> steps = Steps(expanded);
    size_t firstWildcard = 0;
    while (firstWildcard < steps.size() && !HasWildcards(steps[firstWildcard])) ++firstWildcard;
    // The walk starts at the deepest plain folder above the named one, so that the named one is
    // reached from its parent: a drive's own folder is only listed for the folders in it, and the
    // drive itself is never walked.
    const size_t start = std::min(firstWildcard, steps.size() - 1);
    if (steps.size() < 2 || start < 1 || HasWildcards(steps[0])) return;
    std::optional<ReachedEntry> top = start == 1 ? DriveFolder(steps[0]) : StartFolder(Joined(steps, start));
    if (top) Descend(*top, steps, start, visit);
}

namespace {

// A path of the tree: a drive ("C:") is its own folder.
std::string TreePath(const std::string& path) { return path.size() == 2 && path[1] == ':' ? path + "\\" : path; }

std::optional<std::vector<std::string>> FolderNames(const std::string& path)
{
    if (path.empty()) return std::nullopt;  // the drives are asked one by one
    std::optional<std::vector<std::string>> names;
    CFileFind find;
    const std::string folder = TreePath(path);
    for (bool more = find.FindFile(folder + (folder.back() == '\\' ? "*" : "\\*")); more;) {
        more = find.FindNextFile();
        if (!names) names.emplace();
        if (!find.IsDots() && !find.IsNameLossy()) names->push_back(find.GetFileName());
    }
    return names;
}

}  // namespace

FilePresence::FilePresence()
    : m_tree([](const std::string& path) { return FileSystem::Exists(TreePath(path)); }, FolderNames, Folded)
{
}

bool FilePresence::Exists(const std::string& detectFile)
{
    const std::optional<std::string> plain = Expand(detectFile, false);
    if (plain && PathExists(*plain)) return true;
    if (!NamesX86(detectFile)) return false;
    const std::optional<std::string> x86 = Expand(detectFile, true);
    return x86 && x86 != plain && PathExists(*x86);
}

std::optional<std::string> FilePresence::Expand(const std::string& path, bool x86)
{
    return ExpandWith(path, [&](const std::string& name) {
        const std::string key = Folded(name) + (x86 ? "|x86" : "");
        if (const auto known = m_references.find(key); known != m_references.end()) return known->second;
        return m_references.emplace(key, ReferenceValue(name, x86)).first->second;
    });
}

bool FilePresence::PathExists(const std::string& expanded)
{
    const std::vector<std::string> steps = Steps(expanded);
    for (size_t i = 1; i + 1 < steps.size(); ++i)
        if (HasWildcards(steps[i])) return false;
    if (steps.size() < 2 || !HasWildcards(steps.back())) return m_tree.Exists(steps);
    const std::vector<std::string>* names = m_tree.Names({steps.begin(), steps.end() - 1});
    const std::wstring pattern = FileSystem::Widen(Folded(steps.back()));
    return names && std::any_of(names->begin(), names->end(), [&](const std::string& name) {
               return NameMatchesPattern(FileSystem::Widen(name), pattern);
           });
}
