#pragma once
#include <string>
#include <vector>

inline constexpr const char* kRulesSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";
// Where "Get Rules" downloads the community file from: the community project's published main file.
inline constexpr const char* kDefaultRulesSource = "https://raw.githubusercontent.com/MoscaDotTo/Winapp2/master/Winapp2.ini";
inline constexpr const char* kEnabledRulesValue = "Enabled";
inline constexpr const char* kRulesSourceValue = "Source";
inline constexpr const char* kWeeklyRulesUpdateValue = "UpdateWeekly";

// The community rules in force, by their section names exactly as written (" *" and all): the
// policy's list when it sets one, else the user's, stored as the REG_MULTI_SZ value "Enabled";
// absent or of another type, none.
std::vector<std::string> LoadEnabledRules();
// The policy sets the enabled rules: the page cannot change them and Apply stores nothing.
bool EnabledRulesFixed();
// Stores the user's own choice; nothing while the policy fixes it.
bool SaveEnabledRules(const std::vector<std::string>& names);
// The address the community rules come from (REG_SZ "Source"): the policy's, else the user's; the
// default when neither is set, empty or of the right type.
std::string LoadRulesSource();
// "Update the community rules every week": the REG_DWORD value "UpdateWeekly", nonzero when on; off
// when absent or of another type. The policy's value wins, and then nothing is stored.
bool LoadWeeklyRulesUpdate();
bool WeeklyRulesUpdateFixed();
bool SaveWeeklyRulesUpdate(bool on);
