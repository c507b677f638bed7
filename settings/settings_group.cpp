#include "settings/settings_group.h"
#include <ctime>
#include <shlwapi.h>
#include "framework/trace.h"

void SettingsGroup::LoadValues(CRegistryKey& key)
{
    const std::vector<ScalarField> fields = Scalars();
    std::vector<BYTE> data(key.m_maxValueLen ? key.m_maxValueLen + 1 : 257);
    std::string name;
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (!key.NextValue(name, data.data(), &size, &type)) break;
        for (const ScalarField& f : fields) {
            if (lstrcmpiA(name.c_str(), f.name) != 0) continue;
            // A value of another type leaves the field as it was: a REG_SZ "255" is no number.
            if (type != REG_DWORD || size != sizeof(uint32_t)) {
                TraceMessage("Value %s of %s is not a REG_DWORD; read as absent.\n", f.name, key.Path().c_str());
                continue;
            }
            uint32_t number;
            memcpy(&number, data.data(), sizeof number);
            f.field->store(number);
        }
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
