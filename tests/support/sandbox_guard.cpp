#include "tests/support/sandbox_guard.h"
#include <windows.h>
#include <cstdlib>
#include <string>

namespace {

struct Identity {
    DWORD indexHigh = 0, indexLow = 0;
    FILETIME written{};
    bool valid = false;
    bool operator==(const Identity& o) const
    {
        return valid && o.valid && indexHigh == o.indexHigh && indexLow == o.indexLow &&
               CompareFileTime(&written, &o.written) == 0;
    }
};

Identity IdentityOf(const std::string& folder)
{
    Identity id;
    HANDLE h = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        id = {info.nFileIndexHigh, info.nFileIndexLow, info.ftLastWriteTime, true};
    }
    CloseHandle(h);
    return id;
}

std::string BuildDir()
{
    const char* dir = getenv("OMBRIX_BUILD_DIR");
    return dir ? dir : "";
}

std::string ToWindowsSlashes(std::string path)
{
    for (char& c : path) if (c == '/') c = '\\';
    return path;
}

// Every folder from "/" down to the build folder: a drive mapping any of them reaches outside.
std::vector<Identity> OutsideFolders(const std::string& build)
{
    std::vector<Identity> ids{IdentityOf("\\\\?\\unix\\")};
    for (size_t at = build.find('/', 1); at != std::string::npos; at = build.find('/', at + 1))
        ids.push_back(IdentityOf("\\\\?\\unix" + ToWindowsSlashes(build.substr(0, at))));
    ids.push_back(IdentityOf("\\\\?\\unix" + ToWindowsSlashes(build)));
    return ids;
}

void FindLinks(const std::string& folder, std::vector<std::string>& found)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            found.push_back("link below C:\\users: " + path);
        else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            FindLinks(path, found);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// Inside bubblewrap the host is read-only but for the build folder: a file cannot be made beside it.
bool CanWriteBesideBuild(const std::string& build)
{
    const std::string probe = "\\\\?\\unix" + ToWindowsSlashes(build.substr(0, build.rfind('/'))) +
                              "\\ombrix-sandbox-probe-" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

}  // namespace

std::string UnixBuildPath(const std::string& relative)
{
    return "\\\\?\\unix" + ToWindowsSlashes(BuildDir()) + (relative.empty() ? "" : "\\" + relative);
}

std::vector<std::string> SandboxViolations()
{
    std::vector<std::string> found;
    const std::string build = BuildDir();
    if (build.empty() || build == "/") {
        found.push_back("OMBRIX_BUILD_DIR is not set: not started through the sandbox wrapper");
        return found;
    }
    const std::vector<Identity> outside = OutsideFolders(build);
    // Every letter is tried: Wine's GetLogicalDrives misses drives linked into the prefix after start.
    for (int d = 0; d < 26; ++d) {
        const std::string root = std::string(1, char('A' + d)) + ":\\";
        const Identity id = IdentityOf(root);
        for (const Identity& o : outside)
            if (id == o) found.push_back("drive " + root + " maps a folder outside the sandbox");
    }
    FindLinks("C:\\users", found);
    if (CanWriteBesideBuild(build)) found.push_back("a file can be written outside the build folder: not in bubblewrap");
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    if (_strnicmp(cwd, "C:\\", 3) != 0) found.push_back(std::string("working directory outside drive C: ") + cwd);
    return found;
}
