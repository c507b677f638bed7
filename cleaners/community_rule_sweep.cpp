#include <windows.h>
#include <algorithm>
#include "cleaners/community_rules.h"
#include "cleaners/rule_targets.h"
#include "engine/profile_walk.h"
#include "engine/protected_folders.h"
#include "engine/protected_keys.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "settings/rules_choice.h"

namespace {

constexpr int kDeepest = 32;  // levels below a rule's folder

// An ExcludeKey's folder expanded; one that names nothing excludes nothing.
struct FileExclusion {
    bool below;  // PATH: at every level below the folder; FILE: directly in it
    std::string folder;
    std::wstring mask;
};

std::vector<FileExclusion> FileExclusions(const CommunityRule& rule)
{
    std::vector<FileExclusion> exclusions;
    for (const RuleExclude& exclude : rule.excludes) {
        if (exclude.kind == RuleExclude::Kind::Registry) continue;
        if (const std::optional<std::string> folder = ExpandRulePath(exclude.where))
            exclusions.push_back({exclude.kind == RuleExclude::Kind::Path, *folder, FileSystem::Widen(exclude.mask)});
    }
    return exclusions;
}

// The folder is the root, or (with `below`) lies at any level under it.
bool InFolder(const std::string& folder, const std::string& root, bool below)
{
    if (FileSystem::SameWindowsPath(folder, root)) return true;
    return below && folder.size() > root.size() && folder[root.size()] == '\\' &&
           FileSystem::SameWindowsPath(folder.substr(0, root.size()), root);
}

bool Excluded(const ReachedEntry& file, const std::vector<FileExclusion>& exclusions)
{
    const std::string folder = file.path.substr(0, file.path.find_last_of('\\'));
    return std::any_of(exclusions.begin(), exclusions.end(), [&](const FileExclusion& exclusion) {
        return InFolder(folder, exclusion.folder, exclusion.below) && NameMatchesPattern(file.wideName, exclusion.mask);
    });
}

struct RuleWalk {
    const RuleFileKey& key;
    const std::vector<FileExclusion>& exclusions;
    int statusId;
    int* counter;
    float* kb;
};

bool Selected(const ReachedEntry& file, const RuleFileKey& key)
{
    return std::any_of(key.patterns.begin(), key.patterns.end(),
                       [&](const std::string& pattern) { return NameMatchesPattern(file.wideName, FileSystem::Widen(pattern)); });
}

// An emptied folder goes with its line; one that still holds something stays, silently.
void RemoveEmptiedFolder(ReachedEntry& folder, const RuleWalk& walk)
{
    if (Actions().RemoveFolder(folder)) LogItem(SweepLine::kRemoveFolder, walk.statusId, walk.counter, folder.path.c_str(), 0.0);
}

void SweepRuleFolder(const ReachedEntry& folder, const RuleWalk& walk, int depth)
{
    ForEachEntry(folder, "*", [&](ReachedEntry& entry) {
        if (entry.IsFolder()) {
            if (!(walk.key.recurse || walk.key.removeSelf) || depth >= kDeepest) return;
            SweepRuleFolder(entry, walk, depth + 1);
            if (walk.key.removeSelf) RemoveEmptiedFolder(entry, walk);
            return;
        }
        if (Selected(entry, walk.key) && !Excluded(entry, walk.exclusions))
            RemoveReachedFile(entry, walk.statusId, walk.counter, walk.kb);
    });
}

void SweepFileKey(const RuleFileKey& key, const std::vector<FileExclusion>& exclusions, int statusId, int* counter, float* kb)
{
    const std::optional<std::string> expanded = ExpandRulePath(key.folder);
    if (!expanded) return;
    // A kept folder named whole is refused before any walk (the walks never start at a drive's own folders).
    if (!HasWildcards(*expanded) && RefuseProtectedFolder(*expanded, *expanded, PatternSource::Data)) return;
    for (ReachedEntry& folder : RuleFolders(*expanded)) {
        if (RefuseProtectedFolder(folder.path, folder.identity.finalPath, PatternSource::Data)) continue;
        const RuleWalk walk{key, exclusions, statusId, counter, kb};
        SweepRuleFolder(folder, walk, 0);
        if (key.removeSelf) RemoveEmptiedFolder(folder, walk);
    }
}

// A key an ExcludeKey keeps, or one below it, keeps the whole key it lies in.
bool KeepsKey(const CommunityRule& rule, const RuleKeyPath& key, const std::optional<std::string>& value)
{
    for (const RuleExclude& exclude : rule.excludes) {
        if (exclude.kind != RuleExclude::Kind::Registry) continue;
        const std::optional<RuleKeyPath> kept = ParseRuleKey(exclude.where);
        if (!kept || kept->machine != key.machine) continue;
        const bool same = lstrcmpiA(kept->path.c_str(), key.path.c_str()) == 0;
        const bool below = kept->path.size() > key.path.size() && kept->path[key.path.size()] == '\\' &&
                           lstrcmpiA(kept->path.substr(0, key.path.size()).c_str(), key.path.c_str()) == 0;
        if (value ? same && (exclude.mask.empty() || lstrcmpiA(exclude.mask.c_str(), value->c_str()) == 0) : same || below)
            return true;
    }
    return false;
}

void SweepRegKey(const CommunityRule& rule, const RuleRegKey& text, int statusId, int* counter)
{
    const std::optional<RuleKeyPath> key = ParseRuleKey(text.key);
    const char* reason = !key ? "not a key of HKCU or HKLM" : ProtectedKeyReason(key->machine, key->path);
    if (reason) return LogNote(FormatLine("  Refused: %s is %s.\n", text.key.c_str(), reason));
    if (KeepsKey(rule, *key, text.value))
        return LogNote(FormatLine("  Kept: %s, which the rule excludes.\n", text.key.c_str()));
    const HKEY root = key->machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (text.value) {
        CRegistryKey opened(root, key->path, kKeyChange);
        if (opened.Handle()) DeleteOneValue(opened, *text.value, statusId, counter);
        return;
    }
    const size_t slash = key->path.find_last_of('\\');
    CRegistryKey parent(root, key->path.substr(0, slash), kKeyWrite);
    if (parent.Handle()) DeleteOneSubKey(parent, key->path.substr(slash + 1), statusId, counter);
}

void RunRule(const CommunityRule& rule, int statusId, int* counter, float* kb)
{
    // The section's name without the community files' closing " *".
    const std::string shown = rule.name.size() > 2 && rule.name.compare(rule.name.size() - 2, 2, " *") == 0
                                  ? rule.name.substr(0, rule.name.size() - 2)
                                  : rule.name;
    LogLine(FormatLine("Start clean up %s.\n", shown.c_str()).c_str(), statusId);
    const std::vector<FileExclusion> exclusions = FileExclusions(rule);
    for (const RuleFileKey& key : rule.files) {
        try {
            SweepFileKey(key, exclusions, statusId, counter, kb);
        } catch (const std::exception&) {
            // A failed walk ends this key only.
        }
    }
    for (const RuleRegKey& key : rule.keys) SweepRegKey(rule, key, statusId, counter);
}

}  // namespace

void SweepCommunityRules(RuleGroup group, int statusId, int* counter, float* kb)
{
    const std::vector<std::string> enabled = LoadEnabledRules();
    if (enabled.empty()) return;
    const std::shared_ptr<const RuleCatalogue> catalogue = CommunityRules();
    for (const CommunityRule& rule : catalogue->rules) {
        if (rule.group != group || !rule.unavailable.empty()) continue;
        if (std::find(enabled.begin(), enabled.end(), rule.name) == enabled.end() || !RuleDetected(rule)) continue;
        RunRule(rule, statusId, counter, kb);
    }
}
