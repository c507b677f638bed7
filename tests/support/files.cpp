#include "tests/support/files.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>

namespace files {

void MakeDirs(const std::string& folder)
{
    for (size_t at = folder.find('\\', 3); ; at = folder.find('\\', at + 1)) {
        CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
        if (at == std::string::npos) break;
    }
    if (!IsFolder(folder)) ADD_FAILURE() << "cannot make folder " << folder;
}

bool IsFolder(const std::string& path);

static HANDLE OpenForWrite(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos && !IsFolder(path.substr(0, slash))) MakeDirs(path.substr(0, slash));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot write " << path;
    return h;
}

void Write(const std::string& path, const std::string& content, bool flush)
{
    HANDLE h = OpenForWrite(path);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    if (flush) FlushFileBuffers(h);
    CloseHandle(h);
}

void WriteSized(const std::string& path, uint64_t size, char fill)
{
    HANDLE h = OpenForWrite(path);
    if (h == INVALID_HANDLE_VALUE) return;
    const std::string head(static_cast<size_t>(std::min<uint64_t>(size, 1 << 20)), fill);
    DWORD written = 0;
    WriteFile(h, head.data(), static_cast<DWORD>(head.size()), &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

std::string Read(const std::string& path)
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

static HANDLE OpenAt(const std::string& path, DWORD access, uint64_t offset)
{
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    return h;
}

std::string ReadAt(const std::string& path, uint64_t offset, size_t length)
{
    HANDLE h = OpenAt(path, GENERIC_READ, offset);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string content(length, '\0');
    DWORD got = 0;
    ReadFile(h, content.data(), static_cast<DWORD>(length), &got, nullptr);
    CloseHandle(h);
    content.resize(got);
    return content;
}

void WriteAt(const std::string& path, uint64_t offset, const std::string& content)
{
    HANDLE h = OpenAt(path, GENERIC_WRITE, offset);
    if (h == INVALID_HANDLE_VALUE) return ADD_FAILURE() << "cannot write " << path, void();
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

uint64_t Size(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> List(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string UnixPath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    static const auto toUnix =
        reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unixName = toUnix(wide);
    if (!unixName) return {};
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

// Wine's CreateSymbolicLinkA makes nothing, so links come from the Linux tools, started through Wine.
static bool Eventually(bool (*condition)(const std::string&), const std::string& path)
{
    for (int i = 0; i < 500 && !condition(path); ++i) Sleep(10);
    return condition(path);
}

static bool RunUnixTool(const char* tool, const std::string& commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    if (!CreateProcessA(tool, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // Wine neither waits for a Linux process nor reports its exit code: callers poll for the result.
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

bool MakeFolderLink(const std::string& link, const std::string& target)
{
    const std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    return RunUnixTool("\\\\?\\unix\\bin\\ln", "ln -s \"" + unixTarget + "\" \"" + unixLink + "\"") &&
           Eventually(Exists, link);
}

bool MakeDanglingLink(const std::string& link, const std::string& target)
{
    const std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    // The link leads nowhere, and Wine shows such a link neither to a listing nor to a query of its
    // name: nothing here can see it arrive, so the tool is given its time.
    if (!RunUnixTool("\\\\?\\unix\\bin\\ln", "ln -s \"" + unixTarget + "\" \"" + unixLink + "\"")) return false;
    Sleep(1000);
    return true;
}

bool RemoveLink(const std::string& link)
{
    const std::string unixLink = UnixPath(link);
    return !unixLink.empty() && RunUnixTool("\\\\?\\unix\\bin\\rm", "rm -f \"" + unixLink + "\"") &&
           Eventually([](const std::string& p) { return !Exists(p); }, link);
}

}  // namespace files
