#pragma once
#include <windows.h>
#include <cstdint>
#include <stdexcept>
#include <string>

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
};

// The file status functions of the framework: read and write attributes, remove a file.
namespace CFile {
bool GetStatus(const std::string& path, CFileStatus& status);
void SetStatus(const std::string& path, const CFileStatus& status);  // throws CFileException
void Remove(const std::string& path);                                // throws CFileException
}  // namespace CFile
