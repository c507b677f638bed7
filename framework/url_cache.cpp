#include "framework/url_cache.h"
#include <wininet.h>

namespace {

const INTERNET_CACHE_ENTRY_INFOA& Record(const std::vector<BYTE>& buffer)
{
    return *reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
}

}  // namespace

CUrlCacheFind::~CUrlCacheFind()
{
    if (m_handle) FindCloseUrlCache(m_handle);
}

// One call, the buffer regrown to the size the cache asks for as often as it asks.
bool CUrlCacheFind::Fetch()
{
    for (;;) {
        auto* record = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(m_buffer.data());
        record->dwStructSize = static_cast<DWORD>(m_buffer.size());
        BOOL done;
        if (!m_handle) {
            HANDLE found = FindFirstUrlCacheEntryExA(nullptr, 0, m_filter, 0, record, &m_size, nullptr, nullptr, nullptr);
            // Wine's Ex call is a stub that fails with ERROR_FILE_NOT_FOUND; there the plain walk is
            // taken and the filter applied to each entry's type. Windows keeps the Ex call.
            if (!found && GetLastError() == ERROR_FILE_NOT_FOUND) {
                m_plain = true;
                m_size = static_cast<DWORD>(m_buffer.size());
                found = FindFirstUrlCacheEntryA(nullptr, record, &m_size);
            }
            m_handle = found;
            done = found != nullptr;
        } else if (m_plain) {
            done = FindNextUrlCacheEntryA(m_handle, record, &m_size);
        } else {
            done = FindNextUrlCacheEntryExA(m_handle, record, &m_size, nullptr, nullptr, nullptr);
        }
        if (done) return true;
        m_error = GetLastError();
        if (m_error != ERROR_INSUFFICIENT_BUFFER || m_size <= m_buffer.size()) return false;
        m_buffer.assign(m_size, 0);
    }
}

bool CUrlCacheFind::Admitted() const
{
    return !m_plain || (Record(m_buffer).CacheEntryType & ~m_filter) == 0;
}

bool CUrlCacheFind::Next(UrlCacheEntry& entry)
{
    do {
        m_size = static_cast<DWORD>(m_buffer.size());
        if (!Fetch()) return false;
    } while (!Admitted());
    const INTERNET_CACHE_ENTRY_INFOA& record = Record(m_buffer);
    entry.url = record.lpszSourceUrlName ? record.lpszSourceUrlName : "";
    entry.localFile = record.lpszLocalFileName ? record.lpszLocalFileName : "";
    entry.type = record.CacheEntryType;
    entry.lastModified = record.LastModifiedTime;
    entry.expire = record.ExpireTime;
    return true;
}

namespace UrlCache {

bool DeleteEntry(const std::string& url) { return DeleteUrlCacheEntryA(url.c_str()); }

bool CreateEntry(const std::string& url, const char* extension, std::string& file)
{
    char name[MAX_PATH] = {};
    if (!CreateUrlCacheEntryA(url.c_str(), 0, extension, name, 0)) return false;
    file = name;
    return true;
}

bool CommitEntry(const std::string& url, const std::string& file, const UrlCacheEntry& old)
{
    return CommitUrlCacheEntryA(url.c_str(), file.c_str(), old.expire, old.lastModified, old.type, nullptr, 0,
                                nullptr, nullptr);
}

}  // namespace UrlCache
