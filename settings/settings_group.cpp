#include "settings/settings_group.h"
#include <ctime>
#include <shlwapi.h>

bool ReadTextValue(const CRegistryKey& key, const char* name, size_t capacity, std::string& text)
{
    // One spare byte, so that a value filling the whole buffer without a NUL can still be terminated.
    std::vector<char> buffer(capacity + 1, '\0');
    DWORD size = static_cast<DWORD>(capacity);
    if (!key.QueryValue(name, buffer.data(), &size)) return false;
    buffer[std::min<size_t>(size, capacity)] = '\0';
    text.assign(buffer.data());
    return true;
}

bool ReadNumberValue(const CRegistryKey& key, const char* name, uint32_t& number)
{
    DWORD size = 0;
    if (!key.QueryValue(name, nullptr, &size) || size < sizeof number) return false;
    std::vector<BYTE> data(size);
    if (!key.QueryValue(name, data.data(), &size) || size < sizeof number) return false;
    memcpy(&number, data.data(), sizeof number);
    return true;
}

bool WriteTextValue(const CRegistryKey& key, const char* name, const std::string& text)
{
    return key.SetValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

bool WriteNumberValue(const CRegistryKey& key, const char* name, uint32_t number)
{
    return key.SetValue(name, REG_DWORD, &number, sizeof number);
}

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
            // A value shorter than a number leaves the field as it was.
            if (lstrcmpiA(name.c_str(), f.name) != 0 || size < sizeof(uint32_t)) continue;
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
