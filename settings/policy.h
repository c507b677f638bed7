#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Group Policy: an administrator's values under "SOFTWARE\Policies\Quillane\Ombrix" of the machine
// and of the user, in the same sub-keys, names and types as the user's settings. The machine's value
// wins over the user's policy, and either over the user's own setting. A value of another type counts
// as absent (the typed readers trace it). The keys are only ever opened for reading.
inline constexpr const char* kPolicyKey = "SOFTWARE\\Policies\\Quillane\\Ombrix";

// The policy key that mirrors a settings key ("SOFTWARE\Quillane\Ombrix\Windows" ->
// "SOFTWARE\Policies\Quillane\Ombrix\Windows"); "" or a sub-key name alone is below the policy key.
std::string PolicyPathOf(const std::string& settingsKey);

// The value in force of one policy value: the machine's, else the user's policy; nothing when
// neither holds one of its type. `subKey` is the settings key the policy key mirrors
// (kWindowsSettingsKey), or a sub-key name below kPolicyKey.
std::optional<uint32_t> PolicyNumber(const char* subKey, const char* name);
std::optional<std::string> PolicyText(const char* subKey, const char* name, size_t capacity);
std::optional<std::vector<std::string>> PolicyTextList(const char* subKey, const char* name);

// Every value a policy may set, as the code reads it: the administrative template must name exactly
// these.
enum class PolicyKind { Number, Text, TextList };
struct PolicyValue {
    std::string subKey;
    std::string name;
    PolicyKind kind;
};
std::vector<PolicyValue> PolicyValues();

// Policy's own value: 0 stops every custom location (none is swept, none can be added).
inline constexpr const char* kAllowCustomLocationsValue = "AllowCustomLocations";
