#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "framework/file.h"

// One entry of a folder as the folder's own listing gives it.
struct ListedEntry {
    std::wstring wideName;
    std::string name;  // in the code page
    bool lossy = false;  // the name has no exact form in the code page
    DWORD attributes = 0;
    unsigned long long length = 0;
    unsigned long long fileId = 0;  // the index its open handle must show; 0 when the listing has none
    bool IsFolder() const { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
    bool IsReparsePoint() const { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
};

// How an entry was opened for removal.
enum class EntryHold {
    Alone,       // no other handle reads, writes or deletes it: its name goes when this one closes
    Shared,      // others have it open with delete sharing: its name stays until they close it
    AttributesOnly,  // others hold it without delete sharing: it can be checked, not removed now
};

// An entry opened once, by its folder's handle and its literal name, and then checked, listed,
// changed and removed through this handle alone: a name swapped for a link after the check reaches
// nothing. Where the system can, the name is opened as it is, never followed through a link.
class CEntryHandle {
public:
    CEntryHandle() = default;
    ~CEntryHandle() { Close(); }
    CEntryHandle(CEntryHandle&& other) noexcept;
    CEntryHandle& operator=(CEntryHandle&& other) noexcept;
    CEntryHandle(const CEntryHandle&) = delete;
    CEntryHandle& operator=(const CEntryHandle&) = delete;

    // The top folder of a walk, by its path.
    static CEntryHandle OpenFolder(const std::string& path);
    // A folder of an open folder, to be listed and, when it can be had, removed.
    static CEntryHandle OpenSubFolder(const CEntryHandle& folder, const std::wstring& name);
    // A folder of an open folder, to be listed only.
    static CEntryHandle OpenSubFolderToList(const CEntryHandle& folder, const std::wstring& name);
    // A file (or a link itself) of an open folder, to be removed; with data access to be overwritten.
    static CEntryHandle OpenFile(const CEntryHandle& folder, const std::wstring& name, bool data);
    // A file others hold, to be written beside them.
    static CEntryHandle OpenSharedForWriting(const CEntryHandle& folder, const std::wstring& name);
    // Opens a file of the folder to read its content beside others that hold it.
    static CEntryHandle OpenSharedForReading(const CEntryHandle& folder, const std::wstring& name);

    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }
    EntryHold Hold() const { return m_hold; }
    bool HasDataAccess() const { return m_data; }
    void Close();

    // Every entry of this folder but "." and "..". The index the listing gives "." (the folder's
    // own, where the file system lists it; else 0) goes to `self` when asked for.
    bool List(std::vector<ListedEntry>& entries, unsigned long long* self = nullptr) const;
    // The same, an entry at a time: nothing of a big folder is held beyond the entry at hand.
    bool List(const std::function<void(ListedEntry&)>& each, unsigned long long* self = nullptr) const;
    // The path the system resolved this entry to, and with `full` its volume, index and links.
    bool Identify(FileIdentity& identity, bool full) const;
    bool Size(unsigned long long& bytes, DWORD& links) const;
    // No other hard link shares its data: only then may the data be overwritten.
    bool HasOneName() const;
    DWORD Attributes() const;  // INVALID_FILE_ATTRIBUTES when they cannot be read
    bool SetAttributes(DWORD attributes) const;
    // Its name goes when the last handle on it closes (or, unmarked, stays).
    bool MarkForDeletion(bool remove = true) const;
    // A new name in the folder it is in (given by its handle); never replaces another entry.
    bool Rename(const CEntryHandle& folder, const std::wstring& name) const;
    // Writes `length` bytes of one value from `offset`, in blocks, and flushes them to the disk.
    // Reads the whole content from the start; false when it cannot be read or is longer than `limit`.
    bool ReadAll(std::vector<unsigned char>& bytes, size_t limit) const;
    bool Fill(unsigned long long offset, unsigned long long length, unsigned char value, unsigned block) const;

private:
    CEntryHandle(HANDLE handle, EntryHold hold, bool data) : m_handle(handle), m_hold(hold), m_data(data) {}

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    EntryHold m_hold = EntryHold::Alone;
    bool m_data = false;
};

// Whether a name is in an open folder (a name whose deletion waits for other handles included).
bool NameInFolder(const CEntryHandle& folder, const std::wstring& name);
