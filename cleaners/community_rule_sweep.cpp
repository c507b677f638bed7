#include <windows.h>
#include <algorithm>
#include <memory>
#include "cleaners/community_rules.h"
#include "cleaners/rule_targets.h"
#include "engine/profile_walk.h"
#include "engine/protected_folders.h"
#include "engine/protected_keys.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_events.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "framework/trace.h"
#include "settings/rules_choice.h"

namespace {

constexpr int kDeepest = 32;  // levels below a rule's folder

using WideSteps = std::vector<std::wstring>;

WideSteps StepsOf(const std::string& path)
{
    WideSteps steps;
    for (std::string_view step : FileSystem::PathComponents(path))
        if (!step.empty()) steps.push_back(FileSystem::Widen(std::string(step)));
    return steps;
}

// The first `count` steps of a folder against an exclusion's, whose steps may be wildcards.
bool StepsMatch(const WideSteps& folder, const WideSteps& pattern, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!NameMatchesPattern(folder[i], pattern[i])) return false;
    return true;
}

// An ExcludeKey's folder expanded, read as a FileKey's folder is: a '*' step is each matching folder.
struct FileExclusion {
    bool below;  // PATH: at every level below the folder; FILE: directly in it
    WideSteps folder;
    WideSteps masks;

    bool KeepsFile(const WideSteps& in, const std::wstring& name) const
    {
        const bool there = below ? in.size() >= folder.size() : in.size() == folder.size();
        return there && StepsMatch(in, folder, folder.size()) &&
               std::any_of(masks.begin(), masks.end(), [&](const std::wstring& mask) { return NameMatchesPattern(name, mask); });
    }
    // A PATH keeps its folder and every folder below it, as it keeps what they hold.
    bool KeepsFolder(const WideSteps& path) const
    {
        return below && path.size() >= folder.size() && StepsMatch(path, folder, folder.size());
    }
};

// The rule's file exclusions; none when one of them names no folder here, for then the rule's
// author's intent is unknown.
std::optional<std::vector<FileExclusion>> FileExclusions(const CommunityRule& rule)
{
    std::vector<FileExclusion> exclusions;
    for (const RuleExclude& exclude : rule.excludes) {
        if (exclude.kind == RuleExclude::Kind::Registry) continue;
        const std::optional<std::string> folder = ExpandRulePath(exclude.where);
        if (!folder) return std::nullopt;
        FileExclusion exclusion{exclude.kind == RuleExclude::Kind::Path, StepsOf(*folder), {}};
        for (const std::string& mask : exclude.masks) exclusion.masks.push_back(FileSystem::Widen(mask));
        exclusions.push_back(std::move(exclusion));
    }
    return exclusions;
}

struct RuleWalk {
    const RuleFileKey& key;
    const std::vector<FileExclusion>& exclusions;
    int statusId;
    int* counter;
    float* kb;

    bool Excluded(const ReachedEntry& file) const
    {
        const WideSteps in = StepsOf(file.path.substr(0, file.path.find_last_of('\\')));
        return std::any_of(exclusions.begin(), exclusions.end(),
                           [&](const FileExclusion& exclusion) { return exclusion.KeepsFile(in, file.wideName); });
    }
    bool KeptFolder(const ReachedEntry& folder) const
    {
        const WideSteps path = StepsOf(folder.path);
        return std::any_of(exclusions.begin(), exclusions.end(),
                           [&](const FileExclusion& exclusion) { return exclusion.KeepsFolder(path); });
    }
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

// Whether the folder keeps what an exclusion keeps: then it stays, and so does every folder above it.
bool SweepRuleFolder(const ReachedEntry& folder, const RuleWalk& walk, int depth)
{
    bool keeps = walk.KeptFolder(folder);
    ForEachEntry(folder, "*", [&](ReachedEntry& entry) {
        if (entry.IsFolder()) {
            if (!(walk.key.recurse || walk.key.removeSelf) || depth >= kDeepest) return;
            const bool keptBelow = SweepRuleFolder(entry, walk, depth + 1);
            keeps = keeps || keptBelow;
            if (walk.key.removeSelf && !keptBelow) RemoveEmptiedFolder(entry, walk);
            return;
        }
        if (!Selected(entry, walk.key)) return;
        if (walk.Excluded(entry))
            keeps = true;
        else
            RemoveReachedFile(entry, walk.statusId, walk.counter, walk.kb);
    });
    return keeps;
}

void SweepFileKey(const RuleFileKey& key, const std::vector<FileExclusion>& exclusions, int statusId, int* counter, float* kb)
{
    const std::optional<std::string> expanded = ExpandRulePath(key.folder);
    if (!expanded) return;
    // A kept folder (a drive among them) named whole is refused before any walk.
    if (!HasWildcards(*expanded) && RefuseProtectedFolder(*expanded, *expanded, PatternSource::Data)) return;
    if (const std::string refusal = WildcardBelowDrive(*expanded); !refusal.empty()) {
        LogLine(FormatLine("  Refused: %s.\n", refusal.c_str()).c_str(), kStatusLogOnly);
        SweepEvent event;
        event.type = SweepEvent::Type::Refused;
        event.target = *expanded;
        event.text = "a wildcard right below a drive";
        EmitSweepEvent(event);
        return;
    }
    ForEachRuleFolder(*expanded, [&](ReachedEntry& folder) {
        if (RefuseProtectedFolder(folder.path, folder.identity.finalPath, PatternSource::Data)) return;
        const RuleWalk walk{key, exclusions, statusId, counter, kb};
        if (!SweepRuleFolder(folder, walk, 0) && key.removeSelf) RemoveEmptiedFolder(folder, walk);
    });
}

// Two keys in their one form, step by step as the registry compares names.
std::vector<std::string> KeySteps(const std::string& path)
{
    std::vector<std::string> steps;
    for (size_t start = 0; start < path.size();) {
        const size_t end = std::min(path.find('\\', start), path.size());
        steps.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return steps;
}

bool SameName(const std::string& a, const std::string& b) { return FileSystem::SamePath(a, b); }

// The key is the top key or lies below it.
bool AtOrBelow(const RuleKeyPath& key, const RuleKeyPath& top)
{
    if (key.machine != top.machine) return false;
    const std::vector<std::string> steps = KeySteps(key.path), topSteps = KeySteps(top.path);
    return steps.size() >= topSteps.size() && std::equal(topSteps.begin(), topSteps.end(), steps.begin(), SameName);
}

// What an ExcludeKey keeps: a REG key keeps its tree, and with it every key above it; a REG value
// keeps itself and the keys above it.
bool KeepsKey(const CommunityRule& rule, const RuleKeyPath& key, const std::optional<std::string>& value)
{
    for (const RuleExclude& exclude : rule.excludes) {
        if (exclude.kind != RuleExclude::Kind::Registry) continue;
        const std::optional<RuleKeyPath> kept = ParseRuleKey(exclude.where);
        if (!kept) return true;  // not read: nothing of it is deleted
        if (!exclude.value && AtOrBelow(key, *kept)) return true;
        if (!value && AtOrBelow(*kept, key)) return true;
        if (value && exclude.value && AtOrBelow(key, *kept) && AtOrBelow(*kept, key) && SameName(*value, *exclude.value))
            return true;
    }
    return false;
}

// A key opened step by step from its hive, no step through a registry link (which could lead into
// a kept key); named from its hive in the lines.
std::unique_ptr<CRegistryKey> OpenRuleKey(const RuleKeyPath& key, REGSAM access)
{
    const std::vector<std::string> steps = KeySteps(key.path);
    KeyOwner held;
    HKEY at = key.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    for (size_t i = 0; i < steps.size(); ++i) {
        bool link = false;
        HKEY next = OpenKeyWithoutLink(at, steps[i].c_str(), i + 1 == steps.size() ? access : KEY_READ, &link);
        if (link) TraceMessage("  Passed over registry link %s.\n", ShownKey(key).c_str());
        if (!next) return nullptr;
        held.reset(next);
        at = next;
    }
    if (!held) return nullptr;
    auto opened = std::make_unique<CRegistryKey>(held.release(), access);
    opened->SetPath(ShownKey(key));
    return opened;
}

void SweepRegKey(const CommunityRule& rule, const RuleRegKey& text, int statusId, int* counter)
{
    const std::optional<RuleKeyPath> key = ParseRuleKey(text.key);
    if (!key) return LogKeyRefusal(text.key, "is not a key of HKCU or HKLM");
    const std::string shown = ShownKey(*key);
    if (const std::string refusal = KeptKeyRefusal(key->path); !refusal.empty())
        return LogKeyRefusal(shown, refusal);
    if (KeepsKey(rule, *key, text.value))
        return LogNote(FormatLine("  Kept: %s, which the rule excludes.\n", (text.value ? shown + "|" + *text.value : shown).c_str()));
    if (text.value) {
        if (const auto opened = OpenRuleKey(*key, kKeyChange)) DeleteOneValue(*opened, *text.value, statusId, counter);
        return;
    }
    // Never the hive's own step: a key one step below it is kept.
    const size_t slash = key->path.find_last_of('\\');
    if (const auto parent = OpenRuleKey({key->machine, key->path.substr(0, slash)}, kKeyWrite))
        DeleteOneSubKey(*parent, key->path.substr(slash + 1), statusId, counter);
}

void RunRule(const CommunityRule& rule, int statusId, int* counter, float* kb)
{
    // The section's name without the community files' closing " *".
    const std::string shown = rule.name.size() > 2 && rule.name.compare(rule.name.size() - 2, 2, " *") == 0
                                  ? rule.name.substr(0, rule.name.size() - 2)
                                  : rule.name;
    LogLine(FormatLine("Start clean up %s.\n", shown.c_str()).c_str(), statusId);
    const std::optional<std::vector<FileExclusion>> exclusions = FileExclusions(rule);
    if (!exclusions) return LogNote(FormatLine("  Kept: all that %s names: an exclusion names no folder here.\n", shown.c_str()));
    for (const RuleFileKey& key : rule.files) {
        try {
            SweepFileKey(key, *exclusions, statusId, counter, kb);
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
    for (const CommunityRule* rule : RulesToSweep(*catalogue, group, enabled)) RunRule(*rule, statusId, counter, kb);
}
