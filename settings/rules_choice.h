#pragma once
#include <string>
#include <vector>

inline constexpr const char* kRulesSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";
// Where "Get Rules" downloads the community file from: the community project's published main file.
inline constexpr const char* kDefaultRulesSource = "https://raw.githubusercontent.com/MoscaDotTo/Winapp2/master/Winapp2.ini";

// The community rules the user ticked, by their section names exactly as written (" *" and all),
// stored as the REG_MULTI_SZ value "Enabled"; absent or of another type, none.
std::vector<std::string> LoadEnabledRules();
bool SaveEnabledRules(const std::vector<std::string>& names);
// The address of the REG_SZ value "Source"; the default when it is absent, empty or of another type.
std::string LoadRulesSource();
// "Update the community rules every week": the REG_DWORD value "UpdateWeekly", nonzero when on; off
// when absent or of another type.
bool LoadWeeklyRulesUpdate();
bool SaveWeeklyRulesUpdate(bool on);
