#include "tools/profile_tools.h"
#include <shlobj.h>
#include <vector>
#include <cstring>

void SetRaw(HKEY hive, const std::string& path, const char* name, DWORD type, const std::string& data)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}
void SetText(HKEY hive, const std::string& path, const char* name, const std::string& text)
{
    SetRaw(hive, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}
void SetNumber(HKEY hive, const std::string& path, const char* name, DWORD n)
{
    SetRaw(hive, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&n), 4));
}

// Paths go through the wide "\\?\" form, so that a planted profile may hold paths past MAX_PATH.
std::wstring Literal(const std::string& path)
{
    wchar_t wide[4096];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 4096)) return {};
    return std::wstring(L"\\\\?\\") + wide;
}

void MakeFolders(const std::string& folder)
{
    for (size_t at = folder.find('\\', 3);; at = folder.find('\\', at + 1)) {
        CreateDirectoryW(Literal(folder.substr(0, at)).c_str(), nullptr);
        if (at == std::string::npos) break;
    }
}

void WriteFileText(const std::string& path, const std::string& text)
{
    MakeFolders(path.substr(0, path.rfind('\\')));
    HANDLE h = CreateFileW(Literal(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

bool Exists(const std::string& path) { return GetFileAttributesW(Literal(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string UserDocuments()
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool ValueExists(HKEY hive, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}
bool KeyExists(HKEY hive, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string ReadFileText(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
    CloseHandle(h);
    return content;
}

std::string UnixPathOf(const std::string& path)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    wchar_t wide[4096];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 4096)) return {};
    char* name = toUnix(wide);
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// The script goes to a file, so that no quoting rule of either side touches it. A Linux program
// started from Wine gives no handle worth waiting on: the script ends by making a marker file, which
// is waited for instead.
bool RunUnixScript(const std::string& script)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string base = std::string(temp) + "ombrix-script-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64());
    const std::string file = base + ".sh", marker = base + ".done";
    // Wine names a Linux path only below a folder that exists: a fresh prefix may have no temp folder yet.
    MakeFolders(std::string(temp, strlen(temp) - 1));
    const std::string unixFile = UnixPathOf(file), unixMarker = UnixPathOf(marker);
    if (unixFile.empty() || unixMarker.empty()) return false;
    WriteFileText(file, "set -e\n" + script + "\ntouch '" + unixMarker + "'\n");
    std::string command = "sh \"" + unixFile + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA("\\\\?\\unix\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        for (int i = 0; i < 3000 && !Exists(marker); ++i) Sleep(10);
    }
    const bool done = Exists(marker);
    DeleteFileA(marker.c_str());
    DeleteFileA(file.c_str());
    return done;
}

// Wine's CreateSymbolicLinkA makes nothing: the link comes from the Linux side.
void MakeFolderLink(const std::string& link, const std::string& target)
{
    const std::string unixLink = UnixPathOf(link), unixTarget = UnixPathOf(target);
    if (unixLink.empty() || unixTarget.empty()) {
        CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
        return;
    }
    RunUnixScript("ln -s '" + unixTarget + "' '" + unixLink + "'");
}

namespace {
// The registry's own name of a key ("\\REGISTRY\\USER\\..."), which a link must hold.
std::wstring NativeKeyName(HKEY key)
{
    using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
    std::vector<BYTE> buffer(4096);
    ULONG size = 0;
    if (!query || query(key, 3, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0) return {};
    const ULONG bytes = *reinterpret_cast<const ULONG*>(buffer.data());
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)), bytes / sizeof(wchar_t));
}
}  // namespace

bool MakeRegistryLink(HKEY hive, const std::string& link, const std::string& target)
{
    HKEY targetKey = nullptr;
    if (RegCreateKeyExA(hive, target.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &targetKey, nullptr)) return false;
    const std::wstring name = NativeKeyName(targetKey);
    RegCloseKey(targetKey);
    RemoveRegistryLink(hive, link);
    HKEY linkKey = nullptr;
    const std::wstring wideLink(link.begin(), link.end());
    if (name.empty() || RegCreateKeyExW(hive, wideLink.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &linkKey, nullptr))
        return false;
    const LONG set = RegSetValueExW(linkKey, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(name.data()),
                                    static_cast<DWORD>(name.size() * sizeof(wchar_t)));
    RegCloseKey(linkKey);
    return set == ERROR_SUCCESS;
}

void RemoveRegistryLink(HKEY hive, const std::string& link)
{
    using DeleteKey = LONG(WINAPI*)(HANDLE);
    static const auto remove = reinterpret_cast<DeleteKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, link.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    DWORD type = REG_NONE;
    // Only a link goes: a real key of that name is the user's.
    if (remove && RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_LINK)
        remove(key);
    RegCloseKey(key);
}

void PlantCustomLocation(int index, const std::string& folder, const char* filter, DWORD subfolders)
{
    const std::string key = "SOFTWARE\\Quillane\\Ombrix\\Windows\\CusDir." + std::to_string(index);
    SetText(HKEY_CURRENT_USER, key, "Dir", folder);
    SetText(HKEY_CURRENT_USER, key, "Flt", filter);
    SetNumber(HKEY_CURRENT_USER, key, "SubInc", subfolders);
}

void PlantedFiles::Trace(const std::string& path, const std::string& bytes)
{
    WriteFileText(path, bytes);
    traces[path] = bytes;
}

void PlantedFiles::Canary(const std::string& path, const std::string& bytes)
{
    WriteFileText(path, bytes);
    canaries[path] = bytes;
}
