#include "settings/rules_choice.h"
#include "framework/registry_key.h"
#include "framework/registry_values.h"
#include "settings/policy.h"

namespace {
constexpr size_t kEnabledCapacity = 512 * 1024;  // thousands of rule names
constexpr size_t kSourceCapacity = 2048;          // an address
}  // namespace

std::vector<std::string> LoadEnabledRules()
{
    if (auto fixed = PolicyTextList(kRulesSettingsKey, kEnabledRulesValue)) return std::move(*fixed);
    std::vector<std::string> names;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    if (!key.Handle() || !ReadTextListValue(key, kEnabledRulesValue, kEnabledCapacity, names)) return {};
    return names;
}

bool EnabledRulesFixed() { return PolicyTextList(kRulesSettingsKey, kEnabledRulesValue).has_value(); }

bool SaveEnabledRules(const std::vector<std::string>& names)
{
    if (EnabledRulesFixed()) return false;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.OpenOrCreate() && WriteTextListValue(key, kEnabledRulesValue, names);
}

std::string LoadRulesSource()
{
    if (auto fixed = PolicyText(kRulesSettingsKey, kRulesSourceValue, kSourceCapacity); fixed && !fixed->empty())
        return std::move(*fixed);
    std::string source;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    if (!key.Handle() || !ReadTextValue(key, kRulesSourceValue, kSourceCapacity, source) || source.empty())
        return kDefaultRulesSource;
    return source;
}

bool LoadWeeklyRulesUpdate()
{
    if (const auto fixed = PolicyNumber(kRulesSettingsKey, kWeeklyRulesUpdateValue)) return *fixed != 0;
    uint32_t on = 0;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.Handle() && ReadNumberValue(key, kWeeklyRulesUpdateValue, on) && on != 0;
}

bool WeeklyRulesUpdateFixed() { return PolicyNumber(kRulesSettingsKey, kWeeklyRulesUpdateValue).has_value(); }

bool SaveWeeklyRulesUpdate(bool on)
{
    if (WeeklyRulesUpdateFixed()) return false;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.OpenOrCreate() && WriteNumberValue(key, kWeeklyRulesUpdateValue, on ? 1 : 0);
}
