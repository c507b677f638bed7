#include "settings/rules_choice.h"
#include "framework/registry_key.h"
#include "framework/registry_values.h"

namespace {
constexpr size_t kEnabledCapacity = 512 * 1024;  // thousands of rule names
constexpr size_t kSourceCapacity = 2048;          // an address
}  // namespace

std::vector<std::string> LoadEnabledRules()
{
    std::vector<std::string> names;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    if (!key.Handle() || !ReadTextListValue(key, "Enabled", kEnabledCapacity, names)) return {};
    return names;
}

bool SaveEnabledRules(const std::vector<std::string>& names)
{
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.OpenOrCreate() && WriteTextListValue(key, "Enabled", names);
}

std::string LoadRulesSource()
{
    std::string source;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    if (!key.Handle() || !ReadTextValue(key, "Source", kSourceCapacity, source) || source.empty()) return kDefaultRulesSource;
    return source;
}

bool LoadWeeklyRulesUpdate()
{
    uint32_t on = 0;
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.Handle() && ReadNumberValue(key, "UpdateWeekly", on) && on != 0;
}

bool SaveWeeklyRulesUpdate(bool on)
{
    CRegistryKey key(HKEY_CURRENT_USER, kRulesSettingsKey);
    return key.OpenOrCreate() && WriteNumberValue(key, "UpdateWeekly", on ? 1 : 0);
}
