#include "framework/file.h"
#include "framework/platform_quirks.h"
#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kShortPathLimit = MAX_PATH - 12;  // a folder's limit, so that its entries fit too

bool IsLiteral(const std::string& path) { return path.rfind("\\\\?\\", 0) == 0; }

// A component ending in a dot or a blank: the "A" calls would trim it and reach another entry.
bool HasTrimmedComponent(const std::string& path)
{
    for (std::string_view component : FileSystem::PathComponents(path))
        if (!component.empty() && component != "." && component != ".." &&
            (component.back() == '.' || component.back() == ' '))
            return true;
    return false;
}

// "\\?\C:\x" is "C:\x" and "\\?\UNC\s\x" is "\\s\x"; other forms (Wine's "\\?\unix\...") stay.
std::string DropLiteralPrefix(const std::string& path)
{
    if (path.size() >= 7 && IsLiteral(path) && path[5] == ':' && path[6] == '\\') return path.substr(4);
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
    return path;
}

template <class A, class W>
auto Call(const std::string& path, A narrow, W wide)
{
    if (FileSystem::NeedsWideForm(path)) return wide(FileSystem::WideForm(path).c_str());
    return narrow(path.c_str());
}

DWORD Attributes(const std::string& path)
{
    return Call(path, [](const char* p) { return GetFileAttributesA(p); },
                [](const wchar_t* p) { return GetFileAttributesW(p); });
}

}  // namespace

namespace CFile {

bool GetStatus(const std::string& path, CFileStatus& status)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    const bool read = Call(path, [&](const char* p) { return GetFileAttributesExA(p, GetFileExInfoStandard, &data); },
                           [&](const wchar_t* p) { return GetFileAttributesExW(p, GetFileExInfoStandard, &data); });
    if (!read) return false;
    status.m_size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = data.dwFileAttributes;
    status.m_mtime = data.ftLastWriteTime;
    return true;
}

}  // namespace CFile

CFileHandle::CFileHandle(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
    : m_handle(Call(
          path, [&](const char* p) { return CreateFileA(p, access, share, nullptr, disposition, flags, nullptr); },
          [&](const wchar_t* p) { return CreateFileW(p, access, share, nullptr, disposition, flags, nullptr); }))
{
}

CFileHandle::~CFileHandle()
{
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
}

bool CFileHandle::Read(void* buffer, DWORD size, DWORD& read) const
{
    read = 0;
    return ReadFile(m_handle, buffer, size, &read, nullptr) != FALSE;
}

bool CFileHandle::Write(std::string_view bytes) const
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(m_handle, bytes.data(), part, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool CFileHandle::Flush() const { return FlushFileBuffers(m_handle) != FALSE; }

namespace FileSystem {

std::vector<std::string_view> PathComponents(const std::string& path)
{
    std::vector<std::string_view> components;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        components.emplace_back(path.data() + start, end - start);
        start = end + 1;
    }
    return components;
}

bool NeedsWideForm(const std::string& path)
{
    return IsLiteral(path) || path.size() >= kShortPathLimit || HasTrimmedComponent(path);
}

std::wstring Widen(const std::string& text)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::wstring WideForm(const std::string& path)
{
    std::wstring wide = Widen(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';  // the literal form takes no other separator
    if (IsLiteral(path)) return wide;
    if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    return L"\\\\?\\" + wide;
}

bool Narrow(const wchar_t* text, std::string& out)
{
    const UINT codePage = GetACP();
    // UTF-8 takes every character but a lone surrogate; another code page must not best-fit.
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* lossy = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(codePage, flags, text, -1, nullptr, 0, nullptr, lossy);
    if (n <= 0) return false;
    out.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text, -1, out.data(), n, nullptr, lossy);
    out.pop_back();
    return !usedDefault;
}

bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& folder)
{
    if (Exists(folder)) return true;
    const size_t slash = folder.find_last_of('\\');
    if (slash != std::string::npos && slash > 2 && !MakeFolders(folder.substr(0, slash))) return false;
    return Call(folder, [](const char* p) { return CreateDirectoryA(p, nullptr); },
                [](const wchar_t* p) { return CreateDirectoryW(p, nullptr); }) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReplaceWhole(const std::string& path, std::string_view bytes, DWORD& error)
{
    // A name of its own, so that two replacements at once never write into one file.
    const std::string fresh = path + "." + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetCurrentThreadId()) + ".new";
    bool written = false;
    {
        const CFileHandle file(fresh, GENERIC_WRITE, 0, CREATE_ALWAYS);
        written = file && file.Write(bytes) && file.Flush();
        error = GetLastError();
    }
    if (written && Call(path, [&](const char* p) { return MoveFileExA(fresh.c_str(), p, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); },
                        [&](const wchar_t* p) {
                            return MoveFileExW(WideForm(fresh).c_str(), p, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
                        }))
        return true;
    if (written) error = GetLastError();
    Call(fresh, [](const char* p) { return DeleteFileA(p); }, [](const wchar_t* p) { return DeleteFileW(p); });
    return false;
}

bool ScheduleRemoval(const std::string& path)
{
    return Call(path, [](const char* p) { return MoveFileExA(p, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); },
                [](const wchar_t* p) { return MoveFileExW(p, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); });
}

bool Identify(const std::string& path, FileIdentity& identity, bool folder)
{
    // Attribute access only: it opens a file that another program holds without sharing.
    CFileHandle entry(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    return entry && IdentifyOpen(entry.Handle(), identity, folder);
}

bool IdentifyOpen(HANDLE handle, FileIdentity& identity, bool full)
{
    // The full record reads the volume too, slow under Wine: a folder's identity guards a walk
    // against loops, a file needs only its resolved path.
    if (full) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info)) return false;
        identity.volume = info.dwVolumeSerialNumber;
        identity.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        identity.links = info.nNumberOfLinks;
        identity.attributes = info.dwFileAttributes;
    }
    std::wstring final(1024, L'\0');
    DWORD n = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    if (n > 0 && n < final.size())
        final.resize(n);
    else if (!Platform::LongFinalPath(handle, final))
        return false;
    std::string narrow;
    if (!Narrow(final.c_str(), narrow)) return false;
    identity.finalPath = DropLiteralPrefix(narrow);
    return true;
}

bool SamePath(const std::string& a, const std::string& b)
{
    const std::wstring wa = Widen(a), wb = Widen(b);
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()),
                                TRUE) == CSTR_EQUAL;
}

namespace {
std::string NormalWindowsPath(const std::string& path)
{
    const bool unc = path.size() > 1 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    std::string normal = unc ? "\\\\" : "";
    for (std::string_view component : PathComponents(path)) {
        if (component.empty() || component == ".") continue;
        if (!normal.empty() && normal.back() != '\\') normal += '\\';
        normal += component;
    }
    return normal;
}
}  // namespace

bool SameWindowsPath(const std::string& a, const std::string& b)
{
    return SamePath(NormalWindowsPath(a), NormalWindowsPath(b));
}

}  // namespace FileSystem
