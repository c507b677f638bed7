#pragma once
#include <windows.h>
#include <string>
#include <vector>

// One entry of the system URL cache, as a walk hands it on.
struct UrlCacheEntry {
    std::string url;
    std::string localFile;  // empty when the entry has none
    DWORD type = 0;
    FILETIME lastModified{};
    FILETIME expire{};
};

// A walk over the URL cache entries that the filter admits (an entry's type bits must all be in it).
// The enumeration handle is closed with the object.
class CUrlCacheFind {
public:
    explicit CUrlCacheFind(DWORD filter) : m_filter(filter) {}
    ~CUrlCacheFind();
    CUrlCacheFind(const CUrlCacheFind&) = delete;
    CUrlCacheFind& operator=(const CUrlCacheFind&) = delete;

    // The next entry; false at the end or on a failure, whose code LastError gives.
    bool Next(UrlCacheEntry& entry);
    DWORD LastError() const { return m_error; }
    bool Started() const { return m_handle != nullptr; }

private:
    bool Fetch();
    bool Admitted() const;

    DWORD m_filter;
    HANDLE m_handle = nullptr;
    bool m_plain = false;  // walked without the filter, which is applied here
    std::vector<BYTE> m_buffer = std::vector<BYTE>(4248);
    DWORD m_size = 4248;
    DWORD m_error = 0;
};

// The cache entry calls a sweep makes; each true on success.
namespace UrlCache {
bool DeleteEntry(const std::string& url);
// A fresh entry for the URL with an empty local file chosen by the cache; its path in file.
bool CreateEntry(const std::string& url, const char* extension, std::string& file);
bool CommitEntry(const std::string& url, const std::string& file, const UrlCacheEntry& old);
}  // namespace UrlCache
