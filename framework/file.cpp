#include "framework/file.h"

namespace CFile {

bool GetStatus(const std::string& path, CFileStatus& status)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    status.m_size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = data.dwFileAttributes;
    return true;
}

void SetStatus(const std::string& path, const CFileStatus& status)
{
    if (!SetFileAttributesA(path.c_str(), status.m_attribute ? status.m_attribute : FILE_ATTRIBUTE_NORMAL))
        throw CFileException(path, GetLastError());
}

void Remove(const std::string& path)
{
    if (!DeleteFileA(path.c_str())) throw CFileException(path, GetLastError());
}

}  // namespace CFile
