#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <type_traits>

// What a key is opened for, never more: a standard user may read the machine's keys but not change
// them, and a key opened for all access would not open for that user at all.
inline constexpr REGSAM kKeyRead = KEY_READ;
inline constexpr REGSAM kKeyChange = KEY_READ | KEY_SET_VALUE;  // its values set and deleted
inline constexpr REGSAM kKeyWrite = KEY_READ | KEY_WRITE;       // values set, subkeys created

// One open registry key: its path, the figures the registry reported when it was opened, and two
// enumeration cursors that callers may step back after deleting the entry they just read.
// Failures are reported as false or a null handle, never thrown and never logged.
class CRegistryKey {
public:
    // A key that is a registry link is not opened (its handle is null): neither it nor its target is
    // read or changed through it.
    CRegistryKey(HKEY parent, const std::string& path, REGSAM access = kKeyRead);
    // Takes ownership of an open handle; `access` is what it was opened for, and its subkeys get.
    explicit CRegistryKey(HKEY adopted, REGSAM access = kKeyRead);
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY Handle() const { return m_key; }
    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }

    REGSAM Access() const { return m_access; }

    // Opens the key for writing, creating it (and the keys above it) when missing.
    bool OpenOrCreate();
    bool QueryValue(const char* name, void* buffer, DWORD* size, DWORD* type = nullptr) const;
    bool SetValue(const char* name, DWORD type, const void* data, DWORD size) const;
    bool DeleteValue(const char* name) const;
    bool DeleteSubKeyTree(const char* name) const;
    // Null for a subkey that does not open or is a link (`link` tells which); opened with this key's access.
    HKEY OpenSubKey(const char* name, bool* link = nullptr) const;
    bool NextSubKeyName(std::string& name);
    bool NextValue(std::string& name, BYTE* data, DWORD* dataSize, DWORD* type);

    DWORD m_valueIndex = 0;
    DWORD m_subKeyIndex = 0;
    DWORD m_subKeyCount = 0;
    DWORD m_maxSubKeyLen = 0;
    DWORD m_valueCount = 0;
    DWORD m_maxValueNameLen = 0;
    DWORD m_maxValueLen = 0;

private:
    void QueryFigures();

    std::string m_path;
    HKEY m_root = nullptr;
    HKEY m_key = nullptr;
    REGSAM m_access = kKeyRead;
};

// Closes a raw key handle when it goes out of scope, for keys opened outside CRegistryKey (for their
// security, say).
struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyOwner = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Whether a key is there (opened for reading and closed at once).
bool KeyExists(HKEY root, const char* path);
// Opens the key a path names below a parent without following the path's last step when it is a
// registry link; a link is closed again and gives null, with `link` set.
HKEY OpenKeyWithoutLink(HKEY parent, const char* path, REGSAM access, bool* link = nullptr);
// Deletes a key and everything below it depth-first, each key opened without following a link and
// deleted through its own handle; a link below stays, and with it the keys above it. Bounded in
// depth. True when the key is gone.
bool DeleteKeyTreeWithoutLinks(HKEY parent, const char* path);
// What that deletion would meet, changing nothing: false when the key is a link, holds one, lies too
// deep, or cannot be opened for a reason other than its security.
bool KeyTreeDeletable(HKEY parent, const char* path);

// The registry's own full name of an open key ("\REGISTRY\USER\..."), the same for every handle
// on it; empty when it cannot be read.
std::string RegistryKeyName(HKEY key);

// The product's base key; settings keys live below it under both hives.
inline constexpr const char* kProductKey = "SOFTWARE\\Quillane\\Ombrix";
