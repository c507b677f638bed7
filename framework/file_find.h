#pragma once
#include <windows.h>
#include <string>

// A wildcard folder search. FindNextFile steps onto the entry found ahead and reports whether yet
// another one follows, so the last entry is handled after the call that returned false.
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    bool FindFile(const std::string& pattern);
    bool FindNextFile();
    void Close();

    bool IsDots() const;
    bool IsDirectory() const { return m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }
    bool IsReparsePoint() const { return m_current.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT; }
    DWORD GetAttributes() const { return m_current.dwFileAttributes; }
    unsigned long long GetLength() const
    {
        return (static_cast<unsigned long long>(m_current.nFileSizeHigh) << 32) | m_current.nFileSizeLow;
    }
    std::string GetFileName() const { return m_current.cFileName; }
    std::string GetFilePath() const { return m_folder + "\\" + m_current.cFileName; }

private:
    HANDLE m_find = INVALID_HANDLE_VALUE;
    std::string m_folder;
    WIN32_FIND_DATAA m_current{};
    WIN32_FIND_DATAA m_ahead{};
    bool m_hasAhead = false;
};
