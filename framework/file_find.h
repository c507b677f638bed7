#pragma once
#include <windows.h>
#include <string>

// A wildcard folder search. FindNextFile steps onto the entry found ahead and reports whether yet
// another one follows, so the last entry is handled after the call that returned false. Long
// patterns, and every pattern where the code page is not UTF-8, are searched through the wide call,
// and a name the code page cannot hold exactly is marked, never turned into another name.
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
    bool IsDirectory() const { return m_current.attributes & FILE_ATTRIBUTE_DIRECTORY; }
    bool IsReparsePoint() const { return m_current.attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
    // The name had a character without an exact form in the code page.
    bool IsNameLossy() const { return m_current.lossy; }
    const std::string& GetFileName() const { return m_current.name; }
    std::string GetFilePath() const { return m_folder + "\\" + m_current.name; }

private:
    struct Entry {
        std::string name;
        DWORD attributes = 0;
        unsigned long long length = 0;
        bool lossy = false;
    };
    static Entry Take(const WIN32_FIND_DATAW& data);
    static Entry Take(const WIN32_FIND_DATAA& data);
    bool Advance();

    HANDLE m_find = INVALID_HANDLE_VALUE;
    bool m_wide = false;
    std::string m_folder;
    Entry m_current;
    Entry m_ahead;
    bool m_hasAhead = false;
};
