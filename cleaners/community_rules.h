#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "cleaners/rules_format.h"

// The community rules the user brings: %APPDATA%\Ombrix\winapp2.ini and winapp2.ini beside
// Ombrix.exe, the user's sections replacing the other file's of the same name. Texts are in the
// ANSI code page; a rule with a text the code page cannot hold exactly is unavailable.
// The largest rules file read or downloaded; the community's main file is a few MB.
inline constexpr uint64_t kLargestRulesFile = 64u << 20;

struct RuleCatalogue {
    std::vector<CommunityRule> rules;
    std::vector<std::string> files;  // the files read, as "path (N rules, version V)" or "path: why not read"
};

// %APPDATA%\Ombrix\winapp2.ini, where the user's rules and the downloaded ones are; empty when
// APPDATA is not set.
std::string UserRulesPath();

// Reads the files again (at start-up and when the control panel opens).
void RefreshCommunityRules();
// The rules as last read.
std::shared_ptr<const RuleCatalogue> CommunityRules();
// Whether each rule is for this machine: its DetectOS range agrees, and any one of its Detect keys (of
// any hive: they are only read), DetectFile paths or SpecialDetect browser is there; a rule with none
// of these always is. All at once, each key and folder looked at once.
std::vector<bool> DetectRules(const std::vector<CommunityRule>& rules);
// The ticked, available rules of one category that are for this machine, in the catalogue's order,
// detected together.
std::vector<const CommunityRule*> RulesToSweep(const RuleCatalogue& catalogue, RuleGroup group,
                                               const std::vector<std::string>& ticked);
// What of an available rule will not run here, each as the words of its "Refused:" line ("HKCU\\Software
// is a top key of its hive"); none when all of it may. Its text against the kept folders and keys
// alone: what a walk meets is refused when it is met.
std::vector<std::string> RuleRefusals(const CommunityRule& rule);

// Runs the ticked, detected, available rules of one category, each after a header line; every path
// and key goes through the engine's walks and refusals.
void SweepCommunityRules(RuleGroup group, int statusId, int* counter, float* kb);
