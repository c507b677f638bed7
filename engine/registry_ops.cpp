#include "engine/registry_ops.h"
#include "engine/sweep_stop.h"
#include "framework/registry_values.h"
#include "framework/trace.h"
#include <cstring>
#include <vector>
#include "engine/sweep_actions.h"
#include "engine/sweep_events.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"

namespace {

// Each change is made first and then logged: its line and count when it was done, a line
// saying it failed (log only, not counted) when it was not.

// A value or subkey a change was made to, as a script names it.
struct ChangeTarget {
    const CRegistryKey& key;
    const std::string& name;
    bool subKey;
    std::string Shown() const { return key.Path() + "\\" + name; }
    bool StillThere() const
    {
        if (!subKey) return RegQueryValueExA(key.Handle(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key.Handle(), name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) return false;
        RegCloseKey(sub);
        return true;
    }
};

// Another sweep may have taken the target meanwhile: what failed stays only when it is still there.
template <class... Args>
void LogChange(bool done, const ChangeTarget& target, const ItemLine& line, const char* failed, int statusId,
               int* counter, Args... args)
{
    if (done) return LogItemAt(target.Shown(), line, statusId, counter, args...);
    LogLine(FormatLine(failed, args...).c_str(), kStatusLogOnly);
    if (target.StillThere()) NoteLeft(statusId, line.action, target.Shown(), "access denied");
}

// The enumeration data buffer of a key walk: the key's longest data and one, zero-filled.
class ValueWalk {
public:
    explicit ValueWalk(CRegistryKey& key) : m_key(key), m_data(key.m_maxValueLen ? key.m_maxValueLen + 1 : 257, 0) {}

    // The next value, its data as text up to the first zero byte.
    bool Next()
    {
        DWORD size = static_cast<DWORD>(m_data.size());
        if (!NextSweptValue(m_key, name, m_data.data(), &size, &type)) return false;
        const size_t length = std::min<size_t>(size, m_data.size() - 1);
        data.assign(reinterpret_cast<const char*>(m_data.data()), strnlen(reinterpret_cast<const char*>(m_data.data()), length));
        firstByteZero = size == 0 || m_data[0] == 0;
        return true;
    }
    void StepBack() { StepBackAfterRemoval(m_key.m_valueIndex); }

    std::string name;
    std::string data;
    DWORD type = 0;
    bool firstByteZero = false;

private:
    CRegistryKey& m_key;
    std::vector<BYTE> m_data;
};

bool DeleteValue(CRegistryKey& key, ValueWalk& walk, int statusId, int* counter)
{
    const bool done = Actions().DeleteValue(key.Handle(), walk.name.c_str());
    LogChange(done, {key, walk.name, false}, SweepLine::kDeleteValue, "  Cannot delete value: %s=%s.\n", statusId, counter, walk.name.c_str(),
              walk.data.c_str());
    if (done) walk.StepBack();
    return done;
}

void Header(const char* format, const std::string& text, int statusId = kStatusLogOnly)
{
    LogLine(FormatLine(format, text.c_str()).c_str(), statusId);
}

// A registry link is passed over: neither it nor the key it points at is changed.
HKEY OpenSweptSubKey(const CRegistryKey& key, const char* name)
{
    bool link = false;
    HKEY sub = key.OpenSubKey(name, &link);
    if (link) TraceMessage("  Passed over registry link %s\\%s.\n", key.Path().c_str(), name);
    return sub;
}

bool IsLinkSubKey(const CRegistryKey& key, const std::string& name)
{
    bool link = false;
    if (HKEY sub = OpenKeyWithoutLink(key.Handle(), name.c_str(), KEY_READ, &link)) RegCloseKey(sub);
    if (link) TraceMessage("  Passed over registry link %s\\%s.\n", key.Path().c_str(), name.c_str());
    return link;
}

bool StartsWith(const std::string& name, const char* prefix) { return strncmp(name.c_str(), prefix, strlen(prefix)) == 0; }

enum class Removal { Files, Tree, CacheTree };

void RemoveMatching(const std::string& pattern, Removal removal, int statusId, int* counter, float* kb)
{
    try {
        CSweepFinder finder(pattern, DeepSweepOn());
        if (removal == Removal::Files)
            finder.RemoveFiles(statusId, counter, kb);
        else
            finder.RemoveTree(removal == Removal::CacheTree ? TreeMode::Cache : TreeMode::Plain, statusId, counter, kb);
    } catch (const std::exception&) {
        // The row simply ends.
    }
}

// The folder operations that read their folder from a registry value.
void CleanValueFolder(const CleanTarget& t, Removal removal, bool tempRow, int statusId, int* counter, float* kb)
{
    if (!t.key || !t.valueName) return;
    std::string text;
    if (!ReadTextValue(*t.key, t.valueName, 1024, text)) {
        TraceMessage("Cannot get value from registry\n");
        return;
    }
    const char* raw = text.c_str();
    const std::string header = removal == Removal::Files
                                   ? FormatLine("  Clean up directory: %s.\n", raw)
                                   : FormatLine("  Clean up directory %s in registry %s\\%s\n", raw,
                                                t.key->Path().c_str(), t.valueName);
    LogLine(header.c_str(), kStatusLogOnly);
    std::string pattern = ExpandPath(raw);
    if (pattern.empty()) return;
    if (pattern.size() > 1 && pattern.back() == '\\') pattern.pop_back();
    if (tempRow) pattern += std::string("\\Temp\\") + (t.subFolder ? t.subFolder : "");
    pattern += t.filter ? t.filter : "\\*.*";
    if (t.skipPath && *t.skipPath == pattern) return;  // that folder was already cleaned
    if (tempRow && t.skipPath) *t.skipPath = pattern;
    RemoveMatching(pattern, removal, statusId, counter, kb);
}

void CleanPathFolder(const CleanTarget& t, Removal removal, int statusId, int* counter, float* kb)
{
    if (!t.folder) return;
    Header("  Clean up directory: %s.\n", t.folder);
    std::string pattern = ExpandPath(t.folder);
    if (pattern.empty()) return;
    pattern += t.filter ? std::string("\\") + t.filter : std::string("\\*.*");
    RemoveMatching(pattern, removal, statusId, counter, kb);
}

}  // namespace

bool NextSweptSubKey(CRegistryKey& key, std::string& name)
{
    while (key.NextSubKeyName(name)) {
        StopIfRequested();
        if (!Actions().SubKeyTaken(key.Handle(), name)) return true;
    }
    return false;
}

bool NextSweptValue(CRegistryKey& key, std::string& name, BYTE* data, DWORD* dataSize, DWORD* type)
{
    const DWORD capacity = *dataSize;
    for (;;) {
        StopIfRequested();
        *dataSize = capacity;
        if (!key.NextValue(name, data, dataSize, type)) return false;
        if (!Actions().ValueTaken(key.Handle(), name)) return true;
    }
}

void SweepValues(CRegistryKey& key, const char* resetName, int statusId, int* counter)
{
    ValueWalk walk(key);
    while (walk.Next()) {
        if (walk.name == "(Default)") continue;
        if (resetName) {
            if (walk.firstByteZero) continue;
            if (walk.name == resetName) {
                const bool done = Actions().SetValue(key.Handle(), walk.name.c_str(), REG_SZ, "", 0);
                LogChange(done, {key, walk.name, false}, SweepLine::kResetValue, "  Cannot reset value: %s=%s.\n", statusId, counter, walk.name.c_str(),
                          walk.data.c_str());
                continue;
            }
        }
        DeleteValue(key, walk, statusId, counter);
    }
}

void SweepValuesWhere(CRegistryKey& key, NameTest selects, int statusId, int* counter)
{
    ValueWalk walk(key);
    while (walk.Next())
        if (walk.name != "(Default)" && selects(walk.name)) DeleteValue(key, walk, statusId, counter);
}

void DeleteSubKeysWhere(CRegistryKey& key, NameTest selects, int statusId, int* counter)
{
    std::string name;
    while (NextSweptSubKey(key, name)) {
        if (!selects(name) || IsLinkSubKey(key, name)) continue;
        const std::string path = key.Path() + "\\" + name;
        const bool done = Actions().DeleteKeyTree(key.Handle(), name.c_str());
        LogChange(done, {key, name, true}, SweepLine::kDeleteKey, "  Cannot delete key: %s.\n", statusId, counter, path.c_str());
        if (done) StepBackAfterRemoval(key.m_subKeyIndex);
    }
}

void SweepSubKeyValues(CRegistryKey& key, const char* resetName, int statusId, int* counter)
{
    std::string name;
    while (NextSweptSubKey(key, name)) {
        CRegistryKey sub(OpenSweptSubKey(key, name.c_str()), key.Access());
        if (sub.Handle()) SweepValues(sub, resetName, statusId, counter);
    }
}

void CleanMRU(const CleanTarget& t, int statusId, int* counter, float*)
{
    Header("  Clean up MRU in registry key: %s\n", t.key->Path());
    SweepValues(*t.key, "MRUList", statusId, counter);
}

void CleanSubKeyMRU(const CleanTarget& t, int statusId, int* counter, float*)
{
    Header("  Clean up MRU in sub-registry key: %s\n", t.key->Path());
    SweepSubKeyValues(*t.key, "MRUList", statusId, counter);
}

void CleanRegKey(const CleanTarget& t, int statusId, int* counter, float*)
{
    Header("  Clean up registry key: %s\n", t.key->Path());
    SweepValues(*t.key, nullptr, statusId, counter);
}

void CleanRegKeyTree(const CleanTarget& t, int statusId, int* counter, float*)
{
    Header("  Clean up registry key: %s\n", t.key->Path(), statusId);
    SweepValues(*t.key, nullptr, statusId, counter);
    SweepSubKeyValues(*t.key, "", statusId, counter);
}

void CleanRegSubKeys(const CleanTarget& t, int statusId, int* counter, float*)
{
    Header("  Clean up registry key: %s\n", t.key->Path(), statusId);
    SweepSubKeyValues(*t.key, "", statusId, counter);
}

void CleanFileExt(const CleanTarget& t, int statusId, int* counter, float*)
{
    TraceMessage("Calling CleanFileExt Function.\n");
    CRegistryKey& key = *t.key;
    std::string name;
    while (NextSweptSubKey(key, name)) {
        if (name.empty() || name.find('/') == std::string::npos || IsLinkSubKey(key, name)) continue;
        const bool done = Actions().DeleteKeyTree(key.Handle(), name.c_str());
        LogChange(done, {key, name, true}, SweepLine::kDeleteSubKey, "  Cannot delete subkey: %s\\%s.\n", statusId, counter, key.Path().c_str(),
                  name.c_str());
        if (done) StepBackAfterRemoval(key.m_subKeyIndex);
    }
}

void CleanOfficeCommon(const CleanTarget& t, int, int* counter, float*)
{
    CRegistryKey& key = *t.key;
    Header("  Clean up Office Common registry key: %s\n", key.Path());
    ValueWalk walk(key);
    while (walk.Next()) {
        bool done;
        if (walk.name == "Value") {
            if (walk.firstByteZero) continue;
            static const BYTE kEmptyMultiString[4] = {};
            done = Actions().SetValue(key.Handle(), "Value", REG_MULTI_SZ, kEmptyMultiString, sizeof kEmptyMultiString);
        } else {
            done = Actions().DeleteValue(key.Handle(), walk.name.c_str());
            if (done) walk.StepBack();
        }
        LogChange(done, {key, walk.name, false}, SweepLine::kOfficeValue, "  Cannot clean a register: %s.\n", kStatusApplications, counter,
                  key.Path().c_str());
    }
}

void DeleteValuesByPrefixes(CRegistryKey& key, const char* prefix1, const char* prefix2, int statusId, int* counter,
                            float*)
{
    ValueWalk walk(key);
    while (walk.Next()) {
        if (walk.name == "(Default)") continue;
        if (StartsWith(walk.name, prefix1) || (prefix2 && StartsWith(walk.name, prefix2)))
            DeleteValue(key, walk, statusId, counter);
    }
}

void DeleteValuesByPrefix(CRegistryKey& key, const char* prefix, int statusId, int* counter, float* kb)
{
    DeleteValuesByPrefixes(key, prefix, nullptr, statusId, counter, kb);
}

void DeleteOneSubKey(CRegistryKey& key, const std::string& name, int statusId, int* counter)
{
    if (Actions().SubKeyTaken(key.Handle(), name) || IsLinkSubKey(key, name)) return;
    const std::string path = key.Path() + "\\" + name;
    const bool done = Actions().DeleteKeyTree(key.Handle(), name.c_str());
    LogChange(done, {key, name, true}, SweepLine::kDeleteKey, "  Cannot delete key: %s.\n", statusId, counter, path.c_str());
}

void DeleteOneValue(CRegistryKey& key, const std::string& name, int statusId, int* counter)
{
    DWORD size = 0;
    if (Actions().ValueTaken(key.Handle(), name) || !key.QueryValue(name.c_str(), nullptr, &size)) return;
    const bool done = Actions().DeleteValue(key.Handle(), name.c_str());
    LogChange(done, {key, name, false}, SweepLine::kDeleteValueOf, "  Cannot delete value: %s of %s.\n", statusId,
              counter, name.c_str(), key.Path().c_str());
}

void DeleteSubKeysByPrefix(CRegistryKey& key, const char* prefix, int statusId, int* counter, float*)
{
    std::string name;
    while (NextSweptSubKey(key, name)) {
        if (!StartsWith(name, prefix) || IsLinkSubKey(key, name)) continue;
        const bool done = Actions().DeleteKeyTree(key.Handle(), name.c_str());
        LogChange(done, {key, name, true}, SweepLine::kDeleteKey, "  Cannot delete key: %s.\n", statusId, counter,
                  name.c_str());
        if (done) StepBackAfterRemoval(key.m_subKeyIndex);
    }
}

void CleanRegDir(const CleanTarget& t, int s, int* c, float* kb) { CleanValueFolder(t, Removal::Files, false, s, c, kb); }
void CleanRegDirTree(const CleanTarget& t, int s, int* c, float* kb) { CleanValueFolder(t, Removal::CacheTree, false, s, c, kb); }
void CleanRegTempDir(const CleanTarget& t, int s, int* c, float* kb) { CleanValueFolder(t, Removal::CacheTree, true, s, c, kb); }
void CleanDir(const CleanTarget& t, int s, int* c, float* kb) { CleanPathFolder(t, Removal::Tree, s, c, kb); }
void CleanCacheDir(const CleanTarget& t, int s, int* c, float* kb) { CleanPathFolder(t, Removal::CacheTree, s, c, kb); }
void CleanFiles(const CleanTarget& t, int s, int* c, float* kb) { CleanPathFolder(t, Removal::Files, s, c, kb); }

void CleanRegistryRows(HKEY hive, const char* baseKey, const RegistryRow* rows, size_t count, int statusId,
                       int* counter, float* kb, KeyNaming naming)
{
    CRegistryKey base(hive, baseKey, kKeyChange);
    if (!base.Handle()) return;
    const std::string fromHive = std::string(hive == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU") + "\\" + baseKey + "\\";
    for (size_t i = 0; i < count; ++i) {
        CRegistryKey key(OpenSweptSubKey(base, rows[i].path), kKeyChange);
        if (!key.Handle()) continue;
        key.SetPath(naming == KeyNaming::FromHive ? fromHive + rows[i].path : std::string(rows[i].path));
        CleanTarget target;
        target.key = &key;
        rows[i].operation(target, statusId, counter, kb);
    }
}

void CleanFolderValueRows(HKEY hive, const char* baseKey, const FolderValueRow* rows, size_t count,
                          std::string* skipPath, int statusId, int* counter, float* kb)
{
    CRegistryKey base(hive, baseKey, kKeyChange);
    if (!base.Handle()) return;
    for (size_t i = 0; i < count; ++i) {
        CRegistryKey key(OpenSweptSubKey(base, rows[i].keyPath), kKeyChange);
        if (!key.Handle()) continue;
        if (rows[i].namesKey) key.SetPath(rows[i].keyPath);
        CleanTarget target;
        target.key = &key;
        target.valueName = rows[i].valueName;
        target.filter = rows[i].filter;
        target.skipPath = skipPath;
        target.subFolder = rows[i].subFolder;
        rows[i].operation(target, statusId, counter, kb);
    }
}

void CleanFolderRows(const FolderRow* rows, size_t count, int statusId, int* counter, float* kb)
{
    std::string lastCleaned;
    for (size_t i = 0; i < count; ++i) {
        const std::string expanded = ExpandPath(rows[i].folder);
        if (expanded.empty() || lastCleaned == expanded) continue;
        lastCleaned = expanded;
        CleanTarget target;
        target.folder = rows[i].folder;
        target.filter = rows[i].filter;
        rows[i].operation(target, statusId, counter, kb);
    }
}
