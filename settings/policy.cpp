#include "settings/policy.h"
#include <cstring>
#include <windows.h>
#include "framework/registry_key.h"
#include "framework/registry_values.h"

std::string PolicyPathOf(const std::string& settingsKey)
{
    const size_t product = strlen(kProductKey);
    if (settingsKey.size() >= product && _strnicmp(settingsKey.c_str(), kProductKey, product) == 0)
        return kPolicyKey + settingsKey.substr(product);
    return settingsKey.empty() ? kPolicyKey : std::string(kPolicyKey) + "\\" + settingsKey;
}

namespace {

// The machine's policy first: its value wins. Each key is opened for reading only.
template <class Read>
auto FirstOfPolicies(const char* subKey, Read read) -> decltype(read(std::declval<CRegistryKey&>()))
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        CRegistryKey key(hive, PolicyPathOf(subKey), kKeyRead);
        if (!key.Handle()) continue;
        if (auto value = read(key)) return value;
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint32_t> PolicyNumber(const char* subKey, const char* name)
{
    return FirstOfPolicies(subKey, [name](CRegistryKey& key) -> std::optional<uint32_t> {
        uint32_t number = 0;
        if (!ReadNumberValue(key, name, number)) return std::nullopt;
        return number;
    });
}

std::optional<std::string> PolicyText(const char* subKey, const char* name, size_t capacity)
{
    return FirstOfPolicies(subKey, [name, capacity](CRegistryKey& key) -> std::optional<std::string> {
        std::string text;
        if (!ReadTextValue(key, name, capacity, text)) return std::nullopt;
        return text;
    });
}

std::optional<std::vector<std::string>> PolicyTextList(const char* subKey, const char* name)
{
    return FirstOfPolicies(subKey, [name](CRegistryKey& key) -> std::optional<std::vector<std::string>> {
        std::vector<std::string> texts;
        if (ReadWholeTextList(key, name, texts) != ValueRead::Read) return std::nullopt;
        return texts;
    });
}
