#include "engine/sweep_preview.h"
#include <algorithm>
#include "engine/recycle_bin.h"
#include "framework/file.h"
#include "framework/registry_key.h"
#include "framework/system_state.h"

namespace {

// Names compare without regard to ASCII case, as the file system compares them; other letters
// come back from the walk exactly as they went in.
std::string Folded(std::string path)
{
    for (char& c : path)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return path;
}

// A restart removal is a value written under this key.
bool RebootRemovalsWritable()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                      &key) != ERROR_SUCCESS)
        return false;
    CRegistryKey owner(key);
    return true;
}

}  // namespace

void PreviewActions::Remember(std::set<std::string>& paths, const std::string& path)
{
    std::lock_guard<std::mutex> hold(m_lock);
    paths.insert(Folded(path));
}

bool PreviewActions::Remembered(const std::set<std::string>& paths, const std::string& path) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return !paths.empty() && paths.count(Folded(path)) != 0;
}

bool PreviewActions::FileTaken(const std::string& path) const { return Remembered(m_gone, path); }

bool PreviewActions::CacheEntryTaken(const std::string& url) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_cacheEntries.count(url) != 0;
}

// The removal fails on a file another program holds, and on a read-only one whose attribute the
// walk did not clear first.
void PreviewActions::RemoveFile(WalkEntry& file, bool)
{
    if (file.handle->Hold() != EntryHold::Alone) throw CFileException(file.path, ERROR_SHARING_VIOLATION);
    if ((file.handle->Attributes() & FILE_ATTRIBUTE_READONLY) && !Remembered(m_writable, file.path))
        throw CFileException(file.path, ERROR_ACCESS_DENIED);
    Remember(m_gone, file.path);
}

std::wstring PreviewActions::ReleaseFile(WalkEntry& file, bool shred)
{
    RemoveFile(file, shred);
    return file.wideName;
}

// A folder link goes alone; a folder goes when everything in it would have gone before it.
bool PreviewActions::ReleaseFolder(WalkEntry& folder)
{
    if (folder.handle->Hold() != EntryHold::Alone) return false;
    if (!(folder.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        std::vector<ListedEntry> entries;
        if (!folder.handle->List(entries)) return false;
        for (const ListedEntry& entry : entries)
            if (!Remembered(m_gone, folder.path + "\\" + entry.name)) return false;
    }
    Remember(m_gone, folder.path);
    return true;
}

bool PreviewActions::RemoveAtReboot(const std::string& path)
{
    return FileSystem::Exists(path) && RebootRemovalsWritable();
}

bool PreviewActions::ClearReadOnly(WalkEntry& file)
{
    Remember(m_writable, file.path);
    return true;
}

int PreviewActions::WipeIndexFile(WalkEntry&) { return 1; }

bool PreviewActions::KeyGone(const std::string& name) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_keys.empty()) return false;
    for (size_t end = name.size(); end != std::string::npos && end > 0; end = name.rfind('\\', end - 1))
        if (m_keys.count(name.substr(0, end))) return true;
    return false;
}

bool PreviewActions::ValueGone(const std::string& keyName, const std::string& name) const
{
    return KeyGone(keyName) || Remembered(m_values, keyName + "\n" + name);
}

bool PreviewActions::ValueTaken(HKEY key, const std::string& name) const
{
    return ValueGone(Folded(RegistryKeyName(key)), name);
}

bool PreviewActions::SubKeyTaken(HKEY key, const std::string& name) const
{
    return KeyGone(Folded(RegistryKeyName(key) + "\\" + name));
}

bool PreviewActions::DeleteValue(HKEY key, const char* name)
{
    const std::string keyName = Folded(RegistryKeyName(key));
    if (ValueGone(keyName, name) || RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    Remember(m_values, keyName + "\n" + name);
    return true;
}

bool PreviewActions::SetValue(HKEY, const char*, DWORD, const void*, DWORD) { return true; }

// A key closed to the user is there too: the one such key a sweep deletes is opened to the user
// first. A link in the tree stays, and the keys above it with it.
bool PreviewActions::DeleteKeyTree(HKEY key, const char* name)
{
    const std::string subKeyName = Folded(RegistryKeyName(key) + "\\" + name);
    if (KeyGone(subKeyName) || !KeyTreeDeletable(key, name)) return false;
    Remember(m_keys, subKeyName);
    return true;
}

bool PreviewActions::EmptyRecycleBin(std::optional<RecycleBinContents>& emptied)
{
    RecycleBinContents contents;
    if (!RecycleBinsCanBeEmptied()) return false;
    if (QueryAllRecycleBins(contents)) emptied = contents;
    return true;
}

bool PreviewActions::FlushDnsCache() { return ResolverCacheFlushable(); }

bool PreviewActions::EmptyClipboard() { return ClipboardHoldsContent(); }

bool PreviewActions::ShredFile(WalkEntry&) { return true; }

bool PreviewActions::DeleteCookieRows(CSqliteDatabase&, const std::string& path, const char*, const char*, const char*)
{
    Remember(m_gone, path);
    return true;
}

// The entry goes with its file inside the cache.
bool PreviewActions::DeleteCacheEntry(const UrlCacheEntry& entry, const char*, const std::string& leftover)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_cacheEntries.insert(entry.url);
    }
    if (!leftover.empty()) Remember(m_gone, leftover);
    return true;
}
