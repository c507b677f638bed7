#pragma once
#include <string>
#include <vector>

inline constexpr const char* kRulesSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";

// The community rules the user ticked, by their section names exactly as written (" *" and all),
// stored as the REG_MULTI_SZ value "Enabled"; absent or of another type, none.
std::vector<std::string> LoadEnabledRules();
bool SaveEnabledRules(const std::vector<std::string>& names);
