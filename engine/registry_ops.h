#pragma once
#include <string>
#include "framework/registry_key.h"

// What a catalogue row hands its operation: a key (registry and folder-value rows), the value naming a
// folder, a file filter, a folder path (folder rows), the skip path shared by a cleaner's rows, and the
// sub-folder of a temp row. Unused members stay null.
struct CleanTarget {
    CRegistryKey* key = nullptr;
    const char* valueName = nullptr;
    const char* filter = nullptr;
    const char* folder = nullptr;
    std::string* skipPath = nullptr;
    const char* subFolder = nullptr;
};

// The one calling form of every operation of the table.
using CleanOperation = void (*)(const CleanTarget& target, int statusId, int* counter, float* kb);

// The operation table.
void CleanMRU(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanSubKeyMRU(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanRegKey(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanRegKeyTree(const CleanTarget& target, int statusId, int* counter, float* kb);
// The values of the key's subkeys only: the key's own values (a program's preferences) stay.
void CleanRegSubKeys(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanFileExt(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanOfficeCommon(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanRegDir(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanRegDirTree(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanRegTempDir(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanDir(const CleanTarget& target, int statusId, int* counter, float* kb);
void CleanCacheDir(const CleanTarget& target, int statusId, int* counter, float* kb);
// The files the filter selects directly in the folder; every folder stays.
void CleanFiles(const CleanTarget& target, int statusId, int* counter, float* kb);

// The next subkey or value a sweep would still find: in a preview, what was deleted before is still
// there, and is passed over.
bool NextSweptSubKey(CRegistryKey& key, std::string& name);
bool NextSweptValue(CRegistryKey& key, std::string& name, BYTE* data, DWORD* dataSize, DWORD* type);

// The value walks behind them. A reset name (or null for none) is the value emptied instead of deleted.
void SweepValues(CRegistryKey& key, const char* resetName, int statusId, int* counter);
void SweepSubKeyValues(CRegistryKey& key, const char* resetName, int statusId, int* counter);

// The values, or the subkeys (each deleted with its tree, never through a registry link), whose
// names the test selects.
using NameTest = bool (*)(const std::string& name);
void SweepValuesWhere(CRegistryKey& key, NameTest selects, int statusId, int* counter);
void DeleteSubKeysWhere(CRegistryKey& key, NameTest selects, int statusId, int* counter);

// Called directly by the application cleaners.
void DeleteValuesByPrefix(CRegistryKey& key, const char* prefix, int statusId, int* counter, float* kb);
void DeleteValuesByPrefixes(CRegistryKey& key, const char* prefix1, const char* prefix2, int statusId, int* counter,
                            float* kb);
void DeleteSubKeysByPrefix(CRegistryKey& key, const char* prefix, int statusId, int* counter, float* kb);
// One named subkey of an open key, tree and all (never a link), or one named value, with its line;
// nothing when it is not there.
void DeleteOneSubKey(CRegistryKey& key, const std::string& name, int statusId, int* counter);
void DeleteOneValue(CRegistryKey& key, const std::string& name, int statusId, int* counter);

// Catalogue rows, walked in order by one engine.
struct RegistryRow {
    const char* path;
    CleanOperation operation;
};
struct FolderValueRow {
    const char* keyPath;
    const char* valueName;
    const char* filter;  // with its own leading backslash; null means "\*.*"
    CleanOperation operation;
    const char* subFolder = nullptr;  // of a temp row, below the folder's "Temp"
    bool namesKey = false;            // the header line names the row's key path
};
struct FolderRow {
    const char* folder;  // may hold environment references
    const char* filter;  // without a leading backslash; null means "*.*"
    CleanOperation operation;
};

// How a row's lines name its key: by the row's own path, as the first catalogue's lines always have,
// or from the hive ("HKCU\Software\...\Servers"), so that a reader can tell what went and where.
enum class KeyNaming { Row, FromHive };

// Opens each row's key below the base key (itself below the hive) and runs the row's operation when
// it opened; nothing when the base key does not open.
void CleanRegistryRows(HKEY hive, const char* baseKey, const RegistryRow* rows, size_t count, int statusId,
                       int* counter, float* kb, KeyNaming naming = KeyNaming::Row);
void CleanFolderValueRows(HKEY hive, const char* baseKey, const FolderValueRow* rows, size_t count,
                          std::string* skipPath, int statusId, int* counter, float* kb);

// Expands each row's folder (a row that does not fit, or names the folder just cleaned, is passed
// over) and runs its operation on the unexpanded path and filter.
void CleanFolderRows(const FolderRow* rows, size_t count, int statusId, int* counter, float* kb);

template <size_t N>
void CleanRegistryRows(HKEY hive, const char* baseKey, const RegistryRow (&rows)[N], int statusId, int* counter,
                       float* kb, KeyNaming naming = KeyNaming::Row)
{
    CleanRegistryRows(hive, baseKey, rows, N, statusId, counter, kb, naming);
}
