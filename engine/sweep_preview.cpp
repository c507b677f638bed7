#include "engine/sweep_preview.h"
#include <algorithm>
#include "engine/recycle_bin.h"
#include "framework/file.h"
#include "framework/registry_key.h"

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

// DeleteFile fails on a file held without delete sharing, on a read-only one whose attribute the
// walk did not clear first, and on one it already marked while another program holds it open:
// that one's name stays, so its folder stays too.
void PreviewActions::RemoveFile(const std::string& path, bool)
{
    DWORD attributes = 0;
    const FileSystem::Removal removal = FileSystem::RemovalOf(path, attributes);
    if (removal == FileSystem::Removal::Refused) throw CFileException(path, GetLastError());
    if (((attributes & FILE_ATTRIBUTE_READONLY) && !Remembered(m_writable, path)) || Remembered(m_marked, path))
        throw CFileException(path, ERROR_ACCESS_DENIED);
    Remember(removal == FileSystem::Removal::AtOnce ? m_gone : m_marked, path);
}

// A folder link goes alone; a folder goes when everything in it would have gone before it.
bool PreviewActions::RemoveFolder(const std::string& path)
{
    const DWORD attributes = FileSystem::Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const std::vector<std::string> entries = FileSystem::FolderEntryPaths(path);
        if (!std::all_of(entries.begin(), entries.end(), [&](const std::string& e) { return Remembered(m_gone, e); }))
            return false;
    }
    Remember(m_gone, path);
    return true;
}

bool PreviewActions::RemoveAtReboot(const std::string& path)
{
    return FileSystem::Exists(path) && RebootRemovalsWritable();
}

bool PreviewActions::ClearReadOnly(const std::string& path, DWORD)
{
    Remember(m_writable, path);
    return true;
}

int PreviewActions::WipeIndexFile(const std::string&) { return 1; }

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

// A key closed to the user is there too: the one such key a sweep deletes is opened to the user first.
bool PreviewActions::DeleteKeyTree(HKEY key, const char* name)
{
    const std::string subKeyName = Folded(RegistryKeyName(key) + "\\" + name);
    if (KeyGone(subKeyName)) return false;
    HKEY sub = nullptr;
    const LONG opened = RegOpenKeyExA(key, name, 0, KEY_READ, &sub);
    if (opened != ERROR_SUCCESS && opened != ERROR_ACCESS_DENIED) return false;
    CRegistryKey owner(sub);
    Remember(m_keys, subKeyName);
    return true;
}

bool PreviewActions::EmptyRecycleBin() { return RecycleBinsCanBeEmptied(); }

bool PreviewActions::ShredFile(const std::string&) { return true; }

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
