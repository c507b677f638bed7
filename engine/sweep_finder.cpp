#include "engine/sweep_finder.h"
#include <windows.h>
#include <algorithm>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "framework/platform_quirks.h"
#include "settings/settings_groups.h"

namespace {

const ItemLine kFileLine{"   Item %d, Remove file: %s, size %.3f(KB).\n", "   Remove file: %s, size %.3f(KB).\n"};
const ItemLine kFolderLine{"   Item %d, Remove directory: %s, size %.3f(KB).\n", "   Remove file: %s, size %.3f(KB).\n"};
const ItemLine kRebootLine{"   Item %d, Remove File %s, size %.3f(KB) (After Rebooting).\n",
                           "   Remove File %s, size %.3f(KB) (After Rebooting).\n", true};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// One component of a UNC name: not empty, no wildcards.
bool IsNameComponent(const std::string& text)
{
    return !text.empty() && text.find_first_of("*?") == std::string::npos && text != "." && text != "..";
}

// "X:\..." or "\\server\share\..."; not "X:name", "\name", "name", "\\*.*", and not the "\\?\" and
// "\\.\" forms, which reach devices and, under Wine, the whole Linux file system.
bool IsAbsolute(const std::string& path)
{
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    const size_t serverEnd = path.find_first_of("\\/", 2);
    if (serverEnd == std::string::npos) return false;
    const size_t shareEnd = path.find_first_of("\\/", serverEnd + 1);
    if (shareEnd == std::string::npos) return false;
    return IsNameComponent(path.substr(2, serverEnd - 2)) &&
           IsNameComponent(path.substr(serverEnd + 1, shareEnd - serverEnd - 1));
}

// A normalised folder ("C:\", "\\server\share") that is the top of a drive or share.
bool IsRoot(std::string folder)
{
    while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
    if (folder.size() <= 3 && folder.size() >= 2 && folder[1] == ':') return true;
    if (folder.size() > 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
        const size_t server = folder.find_first_of("\\/", 2);
        return server == std::string::npos || folder.find_first_of("\\/", server + 1) == std::string::npos;
    }
    return false;
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n && n < sizeof full ? std::string(full, n) : std::string();
}

// Clears a read-only attribute of a file about to be removed and gives its size. The status comes
// from the search's own entry: reading it again costs a call per file, a third of a removal's time.
float PrepareFile(const std::string& path, const CFileFind& entry)
{
    const DWORD attributes = entry.GetAttributes();
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !Actions().ClearReadOnly(path, attributes))
        TraceMessage("Cannot Set File (%s) Status\n", path.c_str());
    return BytesToKB(entry.GetLength());
}

void Add(float* kb, float size)
{
    if (kb) *kb += size;
}

}  // namespace

const char* RefusedPatternReason(const std::string& pattern)
{
    if (pattern.empty()) return "empty pattern";
    if (!IsAbsolute(pattern)) return "relative pattern";
    const size_t slash = pattern.find_last_of("\\/");
    const std::string folder = FullPath(pattern.substr(0, slash + 1));
    if (folder.empty()) return "unreadable pattern";
    if (IsRoot(folder)) return "pattern names the root of a drive";
    return nullptr;
}

CSweepFinder::CSweepFinder(const std::string& pattern, bool allowRebootRemoval) : m_allowReboot(allowRebootRemoval)
{
    if (const char* reason = RefusedPatternReason(pattern)) {
        if (!pattern.empty()) TraceMessage("Refused to sweep %s: %s\n", pattern.c_str(), reason);
        return;
    }
    // Walk the normalised folder, so that every path handed on is absolute and has no "." or "..".
    const size_t slash = pattern.find_last_of("\\/");
    std::string folder = FullPath(pattern.substr(0, slash + 1));
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    m_more = m_find.FindFile(folder + "\\" + pattern.substr(slash + 1));
}

template <class Handle>
void CSweepFinder::ForEachEntry(Handle handle)
{
    while (m_more) {
        m_more = m_find.FindNextFile();
        if (!m_find.IsDots()) handle();
    }
}

void CSweepFinder::RemoveAtReboot(const std::string& logged, const std::string& path, float size, int statusId,
                                  int* counter, float* kb)
{
    if (!m_allowReboot) return;
    if (!Actions().RemoveAtReboot(path)) {
        TraceMessage("   Even Cannot remove File %s (After Rebooting).\n", path.c_str());
        return;
    }
    LogItem(kRebootLine, statusId, counter, logged.c_str(), static_cast<double>(size));
    Add(kb, size);
}

// Removes a prepared file and logs it; throws CFileException when it is still there.
void CSweepFinder::RemovePrepared(const std::string& path, float size, int statusId, int* counter, float* kb)
{
    Actions().RemoveFile(path);
    LogItem(kFileLine, statusId, counter, path.c_str(), static_cast<double>(size));
    Add(kb, size);
}

// A junction or folder symlink: what it points at is not the user's to lose here. The link alone may go
// where the platform removes just the link.
void CSweepFinder::RemoveFolderLink(const std::string& path, int statusId, int* counter)
{
    if (!Platform::RemovesFolderLinkAlone() || !Actions().RemoveFolder(path)) {
        TraceMessage("   Left folder link %s in place.\n", path.c_str());
        return;
    }
    LogItem(kFolderLine, statusId, counter, path.c_str(), 0.0);
}

void CSweepFinder::RemoveTree(int mode, int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        const std::string path = m_find.GetFilePath();
        if (m_find.IsDirectory()) {
            if (m_find.IsReparsePoint()) return RemoveFolderLink(path, statusId, counter);
            float subTally = 0.0f;
            {
                CSweepFinder sub(path + "\\*.*", m_allowReboot);
                sub.RemoveTree(mode, statusId, counter, &subTally);
            }
            LogItem(kFolderLine, statusId, counter, path.c_str(), static_cast<double>(subTally));
            Actions().RemoveFolder(path);  // may stay, e.g. around a file left for the reboot
            Add(kb, subTally);
            return;
        }
        if (mode == 1 && lstrcmpiA(m_find.GetFileName().c_str(), "desktop.ini") == 0) return;
        const float size = PrepareFile(path, m_find);
        try {
            RemovePrepared(path, size, statusId, counter, kb);
        } catch (const CFileException& e) {
            TraceMessage("   Cannot remove system file now: %s.\n", path.c_str());
            std::string lower = path;
            CharLowerA(lower.data());
            if (mode == 1 && lower.find("index.dat") != std::string::npos) Actions().WipeIndexFile(path);
            RemoveAtReboot(path, e.Path(), size, statusId, counter, kb);
        }
    });
}

void CSweepFinder::RemoveFiles(int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        if (m_find.IsDirectory()) return;
        const std::string path = m_find.GetFilePath();
        const float size = PrepareFile(path, m_find);
        try {
            RemovePrepared(path, size, statusId, counter, kb);
        } catch (const CFileException& e) {
            TraceMessage("   Cannot remove file now: %s.\n", path.c_str());
            RemoveAtReboot(path, e.Path(), size, statusId, counter, kb);
        }
    });
}

void CSweepFinder::RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        if (m_find.IsDirectory() || m_find.GetFileName() == "index.dat") return;
        const std::string path = m_find.GetFilePath();
        if (std::any_of(keep.begin(), keep.end(), [&](const auto& pair) { return pair.second == path; })) return;
        const float size = PrepareFile(path, m_find);
        try {
            RemovePrepared(path, size, statusId, counter, kb);
        } catch (const CFileException&) {
            TraceMessage("   Cannot remove system file now: %s.\n", path.c_str());
        }
    });
}

void CSweepFinder::CollectFiles(PathPairs& list)
{
    list.clear();
    FriendlyCookieList friendly;
    g_internetSettings.CopyFriendlyCookies(friendly);
    ForEachEntry([&] {
        if (m_find.IsDirectory() || m_find.GetFileName() == "index.dat") return;
        const std::string path = m_find.GetFilePath();
        if (std::any_of(friendly.begin(), friendly.end(), [&](const FriendlyCookie& c) { return c.Fl == path; })) return;
        list.emplace_back(std::string(), path);
    });
}
