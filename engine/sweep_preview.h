#pragma once
#include <mutex>
#include <set>
#include <string>
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"

// Actions that change nothing. Each tells whether the real one would succeed now, so that the walks
// write the lines a sweep would write; what would be removed is remembered, so that a folder whose
// every entry would go is shown going too.
class PreviewActions : public SweepActions {
public:
    bool Previewing() const override { return true; }
    bool FileTaken(const std::string& path) const override;
    bool CacheEntryTaken(const std::string& url) const override;
    bool ValueTaken(HKEY key, const std::string& name) const override;
    bool SubKeyTaken(HKEY key, const std::string& name) const override;
    void RemoveFile(WalkEntry& file, bool shred) override;
    std::wstring ReleaseFile(WalkEntry& file, bool shred) override;
    bool FileGone(const CEntryHandle&, const std::wstring&, bool) override { return true; }
    bool RemoveFolder(WalkEntry& folder) override { return ReleaseFolder(folder); }
    bool ReleaseFolder(WalkEntry& folder) override;
    bool RemoveAtReboot(const std::string& path) override;
    bool ClearReadOnly(WalkEntry& file) override;
    int WipeIndexFile(WalkEntry& file) override;
    bool DeleteValue(HKEY key, const char* name) override;
    bool SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) override;
    // No key's security changes: the deletion shows what the opened keys would allow.
    bool SetKeySecurity(HKEY, const std::string&, PSECURITY_DESCRIPTOR, bool) override { return true; }
    bool DeleteKeyTree(HKEY key, const char* name) override;
    bool EmptyRecycleBin(std::optional<RecycleBinContents>& emptied) override;
    bool FlushDnsCache() override;
    bool EmptyClipboard() override;
    bool ShredFile(WalkEntry& file) override;
    // The caller counted the rows in a copy in memory; the database is remembered, so that no later walk
    // counts them again.
    bool DeleteCookieRows(CSqliteDatabase& db, const std::string& path, const char* table, const char* column,
                          const char* keep) override;
    bool DeleteCacheEntry(const UrlCacheEntry& entry, const char* kind, const std::string& leftover) override;

private:
    void Remember(std::set<std::string>& paths, const std::string& path);
    bool Remembered(const std::set<std::string>& paths, const std::string& path) const;
    // A key by its folded full name, gone when it or a key above it was deleted; a value of it.
    bool KeyGone(const std::string& name) const;
    bool ValueGone(const std::string& keyName, const std::string& name) const;

    mutable std::mutex m_lock;  // the three workers share one preview; asked once an entry
    std::set<std::string> m_gone;
    std::set<std::string> m_writable;
    std::set<std::string> m_cacheEntries;
    std::set<std::string> m_keys;    // full key names
    std::set<std::string> m_values;  // full key name, "\n", value name
};

// The frame of a preview's log.
inline constexpr const char* kPreviewFirstLine = "Preview: nothing is removed.\n";

// Installs preview actions for its lifetime, and the real ones again after.
class CPreviewScope {
public:
    CPreviewScope() : m_previous(InstallActions(&m_preview)) { SetPreviewTotals(true); }
    ~CPreviewScope()
    {
        SetPreviewTotals(false);
        InstallActions(m_previous);
    }
    CPreviewScope(const CPreviewScope&) = delete;
    CPreviewScope& operator=(const CPreviewScope&) = delete;

private:
    PreviewActions m_preview;
    SweepActions* m_previous;
};
