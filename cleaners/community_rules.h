#pragma once
#include <memory>
#include <string>
#include <vector>
#include "cleaners/rules_format.h"

// The community rules the user brings: %APPDATA%\Ombrix\winapp2.ini and winapp2.ini beside
// Ombrix.exe, the user's sections replacing the other file's of the same name. Texts are in the
// ANSI code page; a rule with a text the code page cannot hold exactly is unavailable.
struct RuleCatalogue {
    std::vector<CommunityRule> rules;
    std::vector<std::string> files;  // the files read, as "path (N rules)" or "path: why not read"
};

// Reads the files again (at start-up and when the control panel opens).
void RefreshCommunityRules();
// The rules as last read.
std::shared_ptr<const RuleCatalogue> CommunityRules();
// Whether the rule is for this machine: its Detect keys, DetectFile paths (any one found), DetectOS
// range and SpecialDetect browser all agree; a rule without detection keys always is.
bool RuleDetected(const CommunityRule& rule);
// The same of many rules at once, each key opened once.
std::vector<bool> DetectRules(const std::vector<CommunityRule>& rules);

// Runs the ticked, detected, available rules of one category, each after a header line; every path
// and key goes through the engine's walks and refusals.
void SweepCommunityRules(RuleGroup group, int statusId, int* counter, float* kb);
