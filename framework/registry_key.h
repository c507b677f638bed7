#pragma once
#include <windows.h>
#include <string>

// One open registry key: its path, the figures the registry reported when it was opened, and two
// enumeration cursors that callers may step back after deleting the entry they just read.
// Failures are reported as false or a null handle, never thrown and never logged.
class CRegistryKey {
public:
    CRegistryKey(HKEY parent, const std::string& path);
    explicit CRegistryKey(HKEY adopted);  // takes ownership of an open handle
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY Handle() const { return m_key; }
    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }

    bool OpenOrCreate();
    bool QueryValue(const char* name, void* buffer, DWORD* size, DWORD* type = nullptr) const;
    bool SetValue(const char* name, DWORD type, const void* data, DWORD size) const;
    bool DeleteValue(const char* name) const;
    bool DeleteSubKeyTree(const char* name) const;
    HKEY OpenSubKey(const char* name) const;
    bool NextSubKeyName(std::string& name);
    bool NextValue(std::string& name, BYTE* data, DWORD* dataSize, DWORD* type);

    DWORD m_valueIndex = 0;
    DWORD m_subKeyIndex = 0;
    DWORD m_subKeyCount = 0;
    DWORD m_maxSubKeyLen = 0;
    DWORD m_maxClassLen = 0;
    DWORD m_valueCount = 0;
    DWORD m_maxValueNameLen = 0;
    DWORD m_maxValueLen = 0;
    DWORD m_securityDescriptorSize = 0;
    FILETIME m_lastWriteTime{};

private:
    void QueryFigures();

    std::string m_path;
    HKEY m_root = nullptr;
    HKEY m_key = nullptr;
    char m_className[MAX_PATH] = {};
};

// The registry's own full name of an open key ("\REGISTRY\USER\..."), the same for every handle
// on it; empty when it cannot be read.
std::string RegistryKeyName(HKEY key);

// The product's base key; settings keys live below it under both hives.
inline constexpr const char* kProductKey = "SOFTWARE\\Quillane\\Ombrix";
