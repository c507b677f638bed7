#include "settings/settings_group.h"
#include <ctime>
#include <shlwapi.h>
#include "settings/policy.h"

void SettingsGroup::LoadValues(CRegistryKey& key)
{
    // A value missing or of another type leaves the field as it was: a REG_SZ "255" is no number.
    for (const ScalarField& f : Scalars()) {
        uint32_t number = 0;
        if (ReadNumberValue(key, f.name, number)) f.field->store(number);
    }
}

void SettingsGroup::SaveValues(CRegistryKey& key)
{
    for (const ScalarField& f : Scalars())
        if (!m_userValues.count(f.name)) WriteNumberValue(key, f.name, f.field->load());
}

bool SettingsGroup::LoadAtStartup(const char* keyPath)
{
    CGuardLock::Scope hold(m_lock);
    if (!hold) return false;
    const bool loaded = LoadUnlocked(keyPath);
    ApplyPolicy(keyPath);
    return loaded;
}

bool SettingsGroup::LoadUnlocked(const char* keyPath)
{
    CRegistryKey user(HKEY_CURRENT_USER, keyPath);
    if (user.Handle()) {
        LoadValues(user);
        return true;
    }
    CRegistryKey machine(HKEY_LOCAL_MACHINE, keyPath);
    if (machine.Handle()) {
        LoadValues(machine);
        return false;
    }
    // First start anywhere: seed the machine copy and the user's key with the defaults.
    if (!machine.OpenOrCreate()) return false;
    SaveValues(machine);
    if (user.OpenOrCreate()) SaveValues(user);
    return true;
}

void SettingsGroup::ApplyPolicy(const char* keyPath)
{
    CGuardLock::Scope hold(m_lock);
    if (!hold) return;
    for (const ScalarField& f : Scalars()) {
        if (!f.fixable) continue;
        const std::optional<uint32_t> policy = PolicyNumber(keyPath, f.name);
        const auto user = m_userValues.find(f.name);
        if (policy) {
            if (user == m_userValues.end()) m_userValues.emplace(f.name, f.field->load());
            f.field->store(*policy);
        } else if (user != m_userValues.end()) {
            f.field->store(user->second);
            m_userValues.erase(user);
        }
    }
    ApplyOtherPolicy();
}

bool SettingsGroup::IsFixed(const char* name) const
{
    CGuardLock::Scope hold(m_lock);
    return hold && m_userValues.count(name) > 0;
}

std::vector<const char*> SettingsGroup::FixableNames()
{
    std::vector<const char*> names;
    for (const ScalarField& f : Scalars())
        if (f.fixable) names.push_back(f.name);
    return names;
}

void SettingsGroup::SetUnlessFixed(std::atomic<uint32_t>& field, const char* name, uint32_t value)
{
    if (!m_userValues.count(name)) field = value;
}

bool SettingsGroup::SaveToUserLocked(const char* keyPath)
{
    CRegistryKey user(HKEY_CURRENT_USER, keyPath);
    if (!user.OpenOrCreate()) return false;
    SaveValues(user);
    return true;
}

bool SettingsGroup::SaveToUser(const char* keyPath)
{
    CGuardLock::Scope hold(m_lock);
    return hold && SaveToUserLocked(keyPath);
}

bool SettingsGroup::StampLastRun()
{
    CGuardLock::Scope hold(m_lock);
    if (!hold) return false;
    LsRn.store(static_cast<uint32_t>(static_cast<int32_t>(time(nullptr))));
    return true;
}
