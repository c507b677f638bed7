#include "engine/sweep_finder.h"
#include <windows.h>
#include <algorithm>
#include <shlwapi.h>
#include "engine/file_removal.h"
#include "engine/protected_folders.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "engine/walk_entry.h"
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

std::string WithoutTrailingSeparators(std::string folder)
{
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    return folder;
}

// A folder path with a "." or ".." component would be walked somewhere other than it reads.
bool HasDotComponent(const std::string& path)
{
    for (std::string_view component : FileSystem::PathComponents(path))
        if (component == "." || component == "..") return true;
    return false;
}

bool MatchesEverything(const std::string& filter) { return filter == "*.*" || filter == "*"; }

bool ContainsIndexDat(std::string path)
{
    for (char& c : path)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');  // ASCII only: the text stays whole
    return path.find("index.dat") != std::string::npos;
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

// Deep enough for any real tree; a deeper one is a loop or an attack on the stack.
constexpr size_t kMaxDepth = 128;
// How long a file in use may take to go before it is left for the restart.
constexpr DWORD kSettleMs = 50;

}  // namespace

const char* RefusedPatternReason(const std::string& pattern)
{
    if (pattern.empty()) return "empty pattern";
    if (!IsAbsolute(pattern)) return "relative pattern";
    const size_t slash = pattern.find_last_of("\\/");
    const std::string filter = pattern.substr(slash + 1);
    if (filter.empty() || filter.find_first_of(":") != std::string::npos || filter.find("..") != std::string::npos)
        return "the filter is not a file-name pattern";
    if (HasDotComponent(pattern.substr(0, slash))) return "the folder has a \".\" or \"..\" in it";
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
    const std::string folder = WithoutTrailingSeparators(FullPath(pattern.substr(0, slash + 1)));
    m_filter = pattern.substr(slash + 1);
    FileIdentity top;
    if (!FileSystem::Identify(folder, top, true) || !(top.attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const std::string refusal = ProtectedFolderRefusal(folder, top.finalPath);
    if (!refusal.empty()) {
        LogLine(refusal.c_str(), kStatusLogOnly);
        return;
    }
    m_ancestors.push_back(top);
    Start(folder, top.finalPath);
}

CSweepFinder::CSweepFinder(const CSweepFinder& parent, const std::string& folder, const FileIdentity& identity,
                           const std::string& filter)
    : m_allowReboot(parent.m_allowReboot), m_filter(filter), m_ancestors(parent.m_ancestors),
      m_keepFolders(parent.m_keepFolders)
{
    m_ancestors.push_back(identity);
    Start(folder, identity.finalPath);
}

void CSweepFinder::Start(const std::string& folder, const std::string& finalFolder)
{
    m_finalFolder = WithoutTrailingSeparators(finalFolder);
    m_previewing = Actions().Previewing();
    m_more = m_find.FindFile(folder + "\\*");
}

template <class Handle>
void CSweepFinder::ForEachEntry(Handle handle)
{
    while (m_more) {
        m_more = m_find.FindNextFile();
        if (!m_find.IsDots() && !(m_previewing && Actions().FileTaken(m_find.GetFilePath()))) handle();
    }
}

// The long name against the filter: the search itself would also match 8.3 names ("*.doc" would
// find "report.docx"), so it lists everything and the filter is applied here.
bool CSweepFinder::Matches() const
{
    return MatchesEverything(m_filter) || PathMatchSpecA(m_find.GetFileName().c_str(), m_filter.c_str());
}

// "History\Temp" names the folder Temp itself, as the search would find it.
bool CSweepFinder::NamesThisFolder() const
{
    return m_ancestors.size() == 1 && m_filter.find_first_of("*?") == std::string::npos &&
           lstrcmpiA(m_find.GetFileName().c_str(), m_filter.c_str()) == 0;
}

bool CSweepFinder::Admit(FileIdentity& identity) const { return AdmitEntry(m_find, m_finalFolder, identity); }

bool CSweepFinder::RemoveAtReboot(const std::string& logged, const std::string& path, float size, int statusId,
                                  int* counter, float* kb)
{
    if (!m_allowReboot) return false;
    // Another sweeper may have it in hand (a shredding pass holds a file a moment) or have taken it:
    // what is gone a moment later is not scheduled.
    if (FileSystem::Exists(path)) Sleep(kSettleMs);
    if (!FileSystem::Exists(path)) {
        TraceMessage("   %s is gone already.\n", path.c_str());
        return false;
    }
    if (!Actions().RemoveAtReboot(path)) {
        TraceMessage("   Even Cannot remove File %s (After Rebooting).\n", path.c_str());
        return false;
    }
    m_scheduled = true;
    LogItem(kRebootLine, statusId, counter, logged.c_str(), static_cast<double>(size));
    Add(kb, size);
    return true;
}

void CSweepFinder::RemoveFileEntry(const std::string& path, int mode, int statusId, int* counter, float* kb,
                                   const char* cannotTrace, bool rebootFallback)
{
    // A file with other names is shared with another folder: only this name goes, its data is never
    // overwritten. The count is read only where data would be.
    const auto sole = [&] { return FileSystem::LinkCount(path) == 1; };
    const float size = PrepareFile(path, m_find);
    try {
        Actions().RemoveFile(path, ShredderOn() && sole());
        LogItem(kFileLine, statusId, counter, path.c_str(), static_cast<double>(size));
        Add(kb, size);
    } catch (const CFileException& e) {
        TraceMessage(cannotTrace, path.c_str());
        if (mode == 1 && ContainsIndexDat(path) && sole()) Actions().WipeIndexFile(path);
        if (rebootFallback) RemoveAtReboot(path, e.Path(), size, statusId, counter, kb);
    }
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

// A subfolder's contents, then the folder itself. Its line is written only when it is gone, or when
// it is scheduled to go at the restart after something inside it.
void CSweepFinder::RemoveSubTree(const std::string& path, const FileIdentity& identity, const std::string& filter,
                                 int mode, int statusId, int* counter, float* kb)
{
    if (std::any_of(m_ancestors.begin(), m_ancestors.end(), [&](const FileIdentity& a) { return a.SameEntry(identity); })) {
        TraceMessage("   Passed over %s: the walk is inside it already.\n", path.c_str());
        return;
    }
    if (m_ancestors.size() >= kMaxDepth) {
        TraceMessage("   Passed over %s: too deep.\n", path.c_str());
        return;
    }
    float subTally = 0.0f;
    bool scheduledBelow = false;
    {
        CSweepFinder sub(*this, path, identity, filter);
        sub.RemoveTree(mode, statusId, counter, &subTally);
        scheduledBelow = sub.m_scheduled;
    }
    Add(kb, subTally);
    m_scheduled = m_scheduled || scheduledBelow;
    if (!MatchesEverything(filter) || m_keepFolders) return;  // a filter selects files; the folders stay
    if (Actions().RemoveFolder(path) ||
        (scheduledBelow && FileSystem::Exists(path) && Actions().RemoveAtReboot(path))) {
        LogItem(kFolderLine, statusId, counter, path.c_str(), static_cast<double>(subTally));
        return;
    }
    TraceMessage("   Cannot remove directory now: %s.\n", path.c_str());
}

void CSweepFinder::RemoveTree(int mode, int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        const std::string path = m_find.GetFilePath();
        FileIdentity identity;
        if (m_find.IsDirectory()) {
            if (m_find.IsReparsePoint()) {
                if (!m_keepFolders && (MatchesEverything(m_filter) || NamesThisFolder()))
                    RemoveFolderLink(path, statusId, counter);
                return;
            }
            if (Admit(identity)) RemoveSubTree(path, identity, NamesThisFolder() ? "*" : m_filter, mode, statusId, counter, kb);
            return;
        }
        if (!Matches() || (mode == 1 && lstrcmpiA(m_find.GetFileName().c_str(), "desktop.ini") == 0)) return;
        if (Admit(identity))
            RemoveFileEntry(path, mode, statusId, counter, kb, "   Cannot remove system file now: %s.\n", true);
    });
}

void CSweepFinder::RemoveFiles(int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        FileIdentity identity;
        if (m_find.IsDirectory() || !Matches() || !Admit(identity)) return;
        RemoveFileEntry(m_find.GetFilePath(), 0, statusId, counter, kb, "   Cannot remove file now: %s.\n",
                        true);
    });
}

void CSweepFinder::RemoveFilesBelow(int statusId, int* counter, float* kb)
{
    m_keepFolders = true;
    RemoveTree(0, statusId, counter, kb);
}

void CSweepFinder::RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb)
{
    ForEachEntry([&] {
        if (m_find.IsDirectory() || m_find.GetFileName() == "index.dat" || !Matches()) return;
        const std::string path = m_find.GetFilePath();
        if (std::any_of(keep.begin(), keep.end(), [&](const auto& pair) { return pair.second == path; })) return;
        FileIdentity identity;
        if (Admit(identity))
            RemoveFileEntry(path, 0, statusId, counter, kb, "   Cannot remove system file now: %s.\n", false);
    });
}

void CSweepFinder::CollectFiles(PathPairs& list)
{
    list.clear();
    FriendlyCookieList friendly;
    g_internetSettings.CopyFriendlyCookies(friendly);
    ForEachEntry([&] {
        if (m_find.IsDirectory() || m_find.GetFileName() == "index.dat" || !Matches()) return;
        const std::string path = m_find.GetFilePath();
        if (std::any_of(friendly.begin(), friendly.end(), [&](const FriendlyCookie& c) { return c.Fl == path; })) return;
        FileIdentity identity;
        if (Admit(identity)) list.emplace_back(std::string(), path);
    });
}
