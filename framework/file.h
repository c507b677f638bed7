#pragma once
#include <windows.h>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A file operation that failed: the path it failed on and the system's error code.
class CFileException : public std::runtime_error {
public:
    CFileException(std::string path, DWORD error)
        : std::runtime_error("cannot remove " + path), m_path(std::move(path)), m_error(error) {}
    const std::string& Path() const { return m_path; }
    DWORD Error() const { return m_error; }

private:
    std::string m_path;
    DWORD m_error;
};

struct CFileStatus {
    uint64_t m_size = 0;
    DWORD m_attribute = 0;
    FILETIME m_mtime{};  // last written
};

// The file status function of the framework: a file's size and attributes by its path.
namespace CFile {
bool GetStatus(const std::string& path, CFileStatus& status);
}  // namespace CFile

// Who an entry really is: the path the system resolved it to (links followed, without the "\\?\" of
// a drive path) and, for a folder, the volume and index that identify it, its links and attributes.
struct FileIdentity {
    DWORD volume = 0;
    uint64_t index = 0;
    DWORD links = 0;
    DWORD attributes = 0;
    std::string finalPath;
    bool SameEntry(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};

// An open file handle, closed by its owner.
class CFileHandle {
public:
    CFileHandle(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0);
    ~CFileHandle();
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }
    // The next bytes; `read` is 0 at the end.
    bool Read(void* buffer, DWORD size, DWORD& read) const;
    // All of the bytes, or false.
    bool Write(std::string_view bytes) const;
    // What was written is on the disk.
    bool Flush() const;

private:
    HANDLE m_handle;
};

// The one file layer of the program. A path that fits MAX_PATH and that the Win32 path rules leave as
// it is goes to the "A" call; any other takes the same call through its wide "\\?\" form, which has
// no length limit and no trimming of trailing dots and spaces.
namespace FileSystem {
bool NeedsWideForm(const std::string& path);
// The parts of a path between its separators ("\\" or "/"), empty ones included.
std::vector<std::string_view> PathComponents(const std::string& path);
std::wstring WideForm(const std::string& path);
std::wstring Widen(const std::string& text);
// Text from the system in this code page; false when a character had no exact form (no best fit).
bool Narrow(const wchar_t* text, std::string& out);

bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
// The folder and the folders above it, made where they are missing.
bool MakeFolders(const std::string& folder);
// The file becomes these bytes in one step, or stays as it was: they are written to a new file beside
// it, flushed, and moved over it. False, with the system's error code, when it stays.
bool ReplaceWhole(const std::string& path, std::string_view bytes, DWORD& error);
// Removals go through the handle of an entry a walk checked; only a restart removal goes by path,
// since nothing can hold the entry until then.
bool ScheduleRemoval(const std::string& path);
bool Identify(const std::string& path, FileIdentity& identity, bool folder);
// The same of an open handle: its resolved path, and with `full` its volume, index, links and attributes.
bool IdentifyOpen(HANDLE handle, FileIdentity& identity, bool full);
// Equal paths, without regard to case.
bool SamePath(const std::string& a, const std::string& b);
// Equal as Windows compares paths written by others: without regard to case, "/" and "\\" alike,
// repeated separators and "." components ignored.
bool SameWindowsPath(const std::string& a, const std::string& b);
}  // namespace FileSystem
