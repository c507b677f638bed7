#include "framework/file_find.h"
#include "framework/file.h"

namespace {

template <class Data>
unsigned long long Length(const Data& data)
{
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

CFileFind::Entry CFileFind::Take(const WIN32_FIND_DATAW& data)
{
    Entry entry{{}, data.dwFileAttributes, Length(data), false};
    entry.lossy = !FileSystem::Narrow(data.cFileName, entry.name);
    return entry;
}

CFileFind::Entry CFileFind::Take(const WIN32_FIND_DATAA& data)
{
    return {data.cFileName, data.dwFileAttributes, Length(data), false};
}

bool CFileFind::FindFile(const std::string& pattern)
{
    Close();
    const size_t slash = pattern.rfind('\\');
    m_folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash);
    m_wide = FileSystem::NeedsWideForm(pattern) || GetACP() != CP_UTF8;
    // The basic information level leaves out the 8.3 names, which nothing here may match.
    if (m_wide) {
        WIN32_FIND_DATAW data;
        m_find = FindFirstFileExW(FileSystem::WideForm(pattern).c_str(), FindExInfoBasic, &data,
                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (m_find != INVALID_HANDLE_VALUE) m_ahead = Take(data);
    } else {
        WIN32_FIND_DATAA data;
        m_find = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH);
        if (m_find != INVALID_HANDLE_VALUE) m_ahead = Take(data);
    }
    m_hasAhead = m_find != INVALID_HANDLE_VALUE;
    return m_hasAhead;
}

bool CFileFind::Advance()
{
    if (m_wide) {
        WIN32_FIND_DATAW data;
        if (!::FindNextFileW(m_find, &data)) return false;
        m_ahead = Take(data);
        return true;
    }
    WIN32_FIND_DATAA data;
    if (!::FindNextFileA(m_find, &data)) return false;
    m_ahead = Take(data);
    return true;
}

bool CFileFind::FindNextFile()
{
    if (!m_hasAhead) return false;
    std::swap(m_current, m_ahead);
    m_hasAhead = Advance();
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
    const std::string& n = m_current.name;
    return n == "." || n == "..";
}
