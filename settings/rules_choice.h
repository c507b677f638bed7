#pragma once
#include <string>
#include <vector>

inline constexpr const char* kRulesSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";
inline constexpr const char* kEnabledRulesValue = "Enabled";
inline constexpr const char* kRulesSourceValue = "Source";

// The community rules in force, by their section names exactly as written (" *" and all): the
// policy's list when it sets one, else the user's, stored as the REG_MULTI_SZ value "Enabled";
// absent or of another type, none.
std::vector<std::string> LoadEnabledRules();
// The policy sets the enabled rules: the page cannot change them and Apply stores nothing.
bool EnabledRulesFixed();
// Stores the user's own choice; nothing while the policy fixes it.
bool SaveEnabledRules(const std::vector<std::string>& names);
// The address the community rules come from (REG_SZ "Source"): the policy's, else the user's; empty
// for none.
std::string LoadRulesSource();
