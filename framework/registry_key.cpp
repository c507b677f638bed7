#include "framework/registry_key.h"
#include "framework/system_library.h"
#include <shlwapi.h>
#include <vector>

CRegistryKey::CRegistryKey(HKEY parent, const std::string& path, REGSAM access)
    : m_path(path), m_root(parent), m_access(access)
{
    m_key = OpenKeyWithoutLink(parent, path.c_str(), access);
    if (m_key) QueryFigures();
}

CRegistryKey::CRegistryKey(HKEY adopted, REGSAM access) : m_root(adopted), m_key(adopted), m_access(access)
{
    if (m_key) QueryFigures();
}

CRegistryKey::~CRegistryKey()
{
    if (m_key) RegCloseKey(m_key);
    m_key = nullptr;
}

namespace {
constexpr DWORD kBytesPerUnit = 3;
}  // namespace

void CRegistryKey::QueryFigures()
{
    RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &m_subKeyCount, &m_maxSubKeyLen, nullptr, &m_valueCount,
                     &m_maxValueNameLen, &m_maxValueLen, nullptr, nullptr);
    // The figures count UTF-16 units, but names and text come back in the code page: in UTF-8 one
    // unit takes up to three bytes. Buffers sized by the plain figures would drop non-Latin entries.
    m_maxSubKeyLen *= kBytesPerUnit;
    m_maxValueNameLen *= kBytesPerUnit;
    m_maxValueLen += m_maxValueLen / 2 + kBytesPerUnit;
}

bool CRegistryKey::OpenOrCreate()
{
    if (m_key) RegCloseKey(m_key);
    m_key = nullptr;
    m_access = kKeyWrite;
    if (RegCreateKeyExA(m_root, m_path.c_str(), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE, m_access,
                        nullptr, &m_key, nullptr) != ERROR_SUCCESS) {
        m_key = nullptr;
        return false;
    }
    QueryFigures();
    return true;
}

bool CRegistryKey::QueryValue(const char* name, void* buffer, DWORD* size, DWORD* type) const
{
    if (!m_key) return false;
    return RegQueryValueExA(m_key, name ? name : "", nullptr, type, static_cast<BYTE*>(buffer), size) ==
           ERROR_SUCCESS;
}

bool CRegistryKey::SetValue(const char* name, DWORD type, const void* data, DWORD size) const
{
    if (!m_key) return false;
    return RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteValue(const char* name) const
{
    if (!m_key) return false;
    return RegDeleteValueA(m_key, name) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteSubKeyTree(const char* name) const
{
    return m_key && DeleteKeyTreeWithoutLinks(m_key, name);
}

HKEY CRegistryKey::OpenSubKey(const char* name, bool* link) const
{
    return m_key ? OpenKeyWithoutLink(m_key, name, m_access, link) : nullptr;
}

bool CRegistryKey::NextSubKeyName(std::string& name)
{
    if (!m_key) return false;
    std::vector<char> buffer(m_maxSubKeyLen ? m_maxSubKeyLen + 1 : 257, '\0');
    const LONG result = RegEnumKeyA(m_key, m_subKeyIndex++, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (result != ERROR_SUCCESS) return false;
    name.assign(buffer.data());
    return true;
}

bool CRegistryKey::NextValue(std::string& name, BYTE* data, DWORD* dataSize, DWORD* type)
{
    if (!m_key) return false;
    std::vector<char> buffer(m_maxValueNameLen ? std::max<DWORD>(m_maxValueNameLen, 18) + 1 : 257, '\0');
    DWORD nameLen = static_cast<DWORD>(buffer.size());
    const LONG result = RegEnumValueA(m_key, m_valueIndex++, buffer.data(), &nameLen, nullptr, type, data, dataSize);
    if (result != ERROR_SUCCESS) return false;
    name.assign(buffer.data(), nameLen);
    return true;
}

namespace {

// Deep enough for any real tree; a deeper one is a loop made of links or an attack on the stack.
constexpr int kMaxKeyDepth = 128;

bool IsLinkKey(HKEY key)
{
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

std::vector<std::string> SubKeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[1024];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
    return names;
}

using NtDeleteKeyProc = LONG(WINAPI*)(HANDLE);

// Through the handle itself: RegDeleteKey opens the name again, and would follow a link put there.
bool DeleteOpenKey(HKEY key)
{
    static const auto remove = SystemFunction<NtDeleteKeyProc>("ntdll.dll", "NtDeleteKey");
    return remove && remove(key) == 0;
}

bool DeleteTree(HKEY parent, const char* path, int depth)
{
    if (depth > kMaxKeyDepth) return false;
    HKEY key = OpenKeyWithoutLink(parent, path, KEY_READ | DELETE);
    if (!key) return false;
    CRegistryKey owner(key);
    for (const std::string& name : SubKeyNames(key)) DeleteTree(key, name.c_str(), depth + 1);
    return SubKeyNames(key).empty() && DeleteOpenKey(key);
}

bool TreeDeletable(HKEY parent, const char* path, int depth)
{
    if (depth > kMaxKeyDepth) return false;
    bool link = false;
    HKEY key = OpenKeyWithoutLink(parent, path, KEY_READ, &link);
    if (!key) return !link && GetLastError() == ERROR_ACCESS_DENIED;  // opened to the user for the deletion
    CRegistryKey owner(key);
    for (const std::string& name : SubKeyNames(key))
        if (!TreeDeletable(key, name.c_str(), depth + 1)) return false;
    return true;
}

}  // namespace

HKEY OpenKeyWithoutLink(HKEY parent, const char* path, REGSAM access, bool* link)
{
    if (link) *link = false;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(parent, path, REG_OPTION_OPEN_LINK, access, &key);
    if (opened != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(opened));
        return nullptr;
    }
    if (!IsLinkKey(key)) return key;
    RegCloseKey(key);
    if (link) *link = true;
    return nullptr;
}

bool DeleteKeyTreeWithoutLinks(HKEY parent, const char* path) { return DeleteTree(parent, path, 0); }

bool KeyTreeDeletable(HKEY parent, const char* path) { return TreeDeletable(parent, path, 0); }

namespace {
// KeyNameInformation of NtQueryKey: the one call that names the key behind a handle.
using NtQueryKeyProc = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
constexpr int kKeyNameInformation = 3;

std::string NameOfHandle(HKEY key)
{
    static const auto query = SystemFunction<NtQueryKeyProc>("ntdll.dll", "NtQueryKey");
    if (!query) return {};
    std::vector<BYTE> buffer(2048);
    ULONG size = 0;
    if (query(key, kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0) return {};
    const ULONG bytes = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* name = reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG));
    const int length = static_cast<int>(bytes / sizeof(wchar_t));
    const int n = WideCharToMultiByte(CP_UTF8, 0, name, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, length, text.data(), n, nullptr, nullptr);
    return text;
}
}  // namespace

std::string RegistryKeyName(HKEY key)
{
    // A predefined key is a stand-in, not a handle: the key it stands for is opened to be named.
    if (reinterpret_cast<ULONG_PTR>(key) & 0x80000000) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(key, nullptr, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
        CRegistryKey owner(opened);
        return NameOfHandle(opened);
    }
    return NameOfHandle(key);
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
