#include "framework/file_find.h"

bool CFileFind::FindFile(const std::string& pattern)
{
    Close();
    const size_t slash = pattern.rfind('\\');
    m_folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash);
    m_find = FindFirstFileA(pattern.c_str(), &m_ahead);
    m_hasAhead = m_find != INVALID_HANDLE_VALUE;
    return m_hasAhead;
}

bool CFileFind::FindNextFile()
{
    if (!m_hasAhead) return false;
    m_current = m_ahead;
    m_hasAhead = ::FindNextFileA(m_find, &m_ahead) != 0;
    return m_hasAhead;
}

void CFileFind::Close()
{
    if (m_find != INVALID_HANDLE_VALUE) FindClose(m_find);
    m_find = INVALID_HANDLE_VALUE;
    m_hasAhead = false;
}

bool CFileFind::IsDots() const
{
    const char* n = m_current.cFileName;
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}
