#pragma once
#include <atomic>
#include <cstdint>
#include <vector>
#include <windows.h>
#include "framework/guard_lock.h"
#include "framework/registry_key.h"
#include "framework/registry_values.h"

// A number of a settings group and the registry value that stores it.
struct ScalarField {
    const char* name;
    std::atomic<uint32_t>* field;
};

// Base of the four settings groups: target bits, last sweep time, and the registry form.
// Sweep threads read the bit words while the user interface may change them, hence atomics.
class SettingsGroup {
public:
    SettingsGroup(uint32_t targets) : Targets(targets) {}
    virtual ~SettingsGroup() = default;
    SettingsGroup(const SettingsGroup&) = delete;
    SettingsGroup& operator=(const SettingsGroup&) = delete;

    virtual void LoadValues(CRegistryKey& key);
    virtual void SaveValues(CRegistryKey& key);

    bool LoadAtStartup(const char* keyPath);
    bool SaveToUser(const char* keyPath);
    bool StampLastRun();

    int32_t LastRun() const { return static_cast<int32_t>(LsRn.load()); }
    const CGuardLock& Lock() const { return m_lock; }

    std::atomic<uint32_t> Targets;
    std::atomic<uint32_t> LsRn{0};

protected:
    // The group's numbers in the order they are saved.
    virtual std::vector<ScalarField> Scalars() = 0;
    bool SaveToUserLocked(const char* keyPath);

private:
    CGuardLock m_lock;
};
