#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include <windows.h>
#include "framework/guard_lock.h"
#include "framework/registry_key.h"
#include "framework/registry_values.h"

// A number of a settings group and the registry value that stores it.
struct ScalarField {
    const char* name;
    std::atomic<uint32_t>* field;
    bool fixable = true;  // an administrator's policy may set it (not so the program's own records)
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

    // Puts the values of the group's policy key in force over the user's own; a value no longer fixed
    // goes back to the user's. The fields then hold the values in force, which every sweep reads.
    void ApplyPolicy(const char* keyPath);
    // A value (by name: "Targets") that the policy fixes: its controls are disabled, and no save
    // writes it, so the user's stored value stays as it was.
    bool IsFixed(const char* name) const;
    // The names of the numbers a policy may set, in the order they are saved.
    std::vector<const char*> FixableNames();

    int32_t LastRun() const { return static_cast<int32_t>(LsRn.load()); }
    const CGuardLock& Lock() const { return m_lock; }

    std::atomic<uint32_t> Targets;
    std::atomic<uint32_t> LsRn{0};

protected:
    // The group's numbers in the order they are saved.
    virtual std::vector<ScalarField> Scalars() = 0;
    // The policy's values other than the numbers (lists, policy's own switches); under the lock.
    virtual void ApplyOtherPolicy() {}
    bool SaveToUserLocked(const char* keyPath);
    // A value taken from a page, unless the policy fixes it.
    void SetUnlessFixed(std::atomic<uint32_t>& field, const char* name, uint32_t value);

private:
    bool LoadUnlocked(const char* keyPath);  // the lock held

    CGuardLock m_lock;
    std::map<std::string, uint32_t> m_userValues;  // the user's own value of each fixed number
};
