#include "settings/settings_group.h"
#include <ctime>
#include <shlwapi.h>

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
    for (const ScalarField& f : Scalars()) WriteNumberValue(key, f.name, f.field->load());
}

bool SettingsGroup::LoadAtStartup(const char* keyPath)
{
    CGuardLock::Scope hold(m_lock);
    if (!hold) return false;
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
