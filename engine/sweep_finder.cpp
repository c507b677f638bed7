#include "engine/sweep_finder.h"
#include "engine/sweep_events.h"
#include "engine/sweep_stop.h"
#include "framework/trace.h"
#include <windows.h>
#include <algorithm>
#include <unordered_set>
#include "engine/file_removal.h"
#include "engine/protected_folders.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"
#include "framework/platform_quirks.h"
#include "framework/wildcard_match.h"
#include "settings/settings_groups.h"

namespace {

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

bool SameUnit(wchar_t a, wchar_t b)
{
    return a == b || CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
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

bool HasWildcards(const std::string& filter) { return filter.find_first_of("*?") != std::string::npos; }

bool NameMatchesPattern(const std::wstring& name, const std::wstring& pattern)
{
    return WildcardMatch(name, pattern, SameUnit);
}

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

CSweepFinder::CSweepFinder(const std::string& pattern, bool allowRebootRemoval, PatternSource source)
    : m_allowReboot(allowRebootRemoval)
{
    if (const char* reason = RefusedPatternReason(pattern)) {
        if (!pattern.empty()) TraceMessage("Refused to sweep %s: %s\n", pattern.c_str(), reason);
        return;
    }
    // Walk the normalised folder, so that every path handed on is absolute and has no "." or "..".
    const size_t slash = pattern.find_last_of("\\/");
    const std::string folder = WithoutTrailingSeparators(FullPath(pattern.substr(0, slash + 1)));
    m_filter = pattern.substr(slash + 1);
    std::optional<WalkFolder> top = OpenWalkTop(folder);
    if (top) StartTop(std::move(*top), source);
}

CSweepFinder::CSweepFinder(const WalkFolder& folder, const std::string& filter, bool allowRebootRemoval)
    : m_filter(filter), m_allowReboot(allowRebootRemoval)
{
    if (filter.find_first_of("\\/:") != std::string::npos || filter.find("..") != std::string::npos) return;
    StartTop(folder, PatternSource::Data);
}

void CSweepFinder::StartTop(WalkFolder top, PatternSource source)
{
    if (RefuseProtectedFolder(top.path, top.identity.finalPath, source)) return;
    m_folder = std::move(top);
    m_ancestors.push_back(m_folder->identity);
    Start();
    if (HasWildcards(m_filter)) return;
    // A name names one entry: compared as Windows compares names, but two that Windows would take
    // for one (Wine shows both) leave it unclear which was meant.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!NameMatchesPattern(m_entries[i].wideName, m_pattern)) continue;
        if (m_named) {
            TraceMessage("   Passed over %s\\%s: two entries answer to that name.\n", m_folder->path.c_str(),
                         m_filter.c_str());
            m_named.reset();
            return;
        }
        m_named = i;
    }
}

CSweepFinder::CSweepFinder(const CSweepFinder& parent, const WalkFolder& folder, const std::string& filter)
    : m_folder(folder), m_filter(filter), m_ancestors(parent.m_ancestors), m_allowReboot(parent.m_allowReboot),
      m_keepFolders(parent.m_keepFolders)
{
    m_ancestors.push_back(folder.identity);
    Start();
}

void CSweepFinder::Start()
{
    m_pattern = FileSystem::Widen(m_filter);
    m_previewing = Actions().Previewing();
    m_entries = ListWalkFolder(*m_folder);
}

template <class Handle>
void CSweepFinder::ForEachEntry(Handle handle)
{
    if (!m_folder) return;
    try {
        for (size_t i = 0; i < m_entries.size(); ++i) {
            StopIfRequested();
            if (!Selects(i) || (m_previewing && Actions().FileTaken(m_folder->path + "\\" + m_entries[i].name)))
                continue;
            if (m_entries[i].IsFolder()) ConfirmRemovals();  // its lines come in the order of the listing
            handle(m_entries[i], i);
        }
    } catch (const SweepStopped&) {
        ConfirmRemovals();  // what went is still said
        throw;
    }
    ConfirmRemovals();
}

// A wildcard filter selects by the long name: the system's own search would also match 8.3 names
// ("*.doc" would find "report.docx"). A name selects its one entry of the top folder, and nothing
// below it but what that entry holds.
bool CSweepFinder::Selects(size_t index) const
{
    if (!HasWildcards(m_filter)) return NamedEntry(index);
    const ListedEntry& entry = m_entries[index];
    return entry.IsFolder() || MatchesEverything(m_filter) || NameMatchesPattern(entry.wideName, m_pattern);
}

bool CSweepFinder::Admit(const ListedEntry& listed, bool data, WalkEntry& entry) const
{
    return AdmitEntry(*m_folder, listed, data, entry);
}

// A file whose release is the first change made to it: no read-only attribute to clear, no data to
// overwrite, no index to wipe should it be held. The preview releases nothing and checks at once.
bool CSweepFinder::AdmitToRemove(const ListedEntry& listed, WalkEntry& entry) const
{
    const bool releaseFirst = !m_previewing && !ShredderOn() && !(listed.attributes & FILE_ATTRIBUTE_READONLY) &&
                              !IsIndexFile(listed.name);
    return AdmitEntry(*m_folder, listed, ShredderOn(), entry, releaseFirst ? AdmitCheck::WhenMarked : AdmitCheck::Now);
}

// Clears a read-only attribute of a file about to be removed, through its handle, and gives its
// size. The status comes from the folder's own listing.
float CSweepFinder::PrepareFile(WalkEntry& file) const
{
    if ((file.attributes & FILE_ATTRIBUTE_READONLY) && !Actions().ClearReadOnly(file))
        TraceMessage("Cannot Set File (%s) Status\n", file.path.c_str());
    return BytesToKB(file.length);
}

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
    LogItem(SweepLine::kRemoveAtReboot, statusId, counter, logged.c_str(), static_cast<double>(size));
    Add(kb, size);
    return true;
}

// A file that would not go: at the restart where that is allowed, else it stays, and says so; one
// that another sweeper took meanwhile is neither.
void CSweepFinder::LeaveOrSchedule(const std::string& logged, const std::string& path, bool rebootFallback,
                                   bool leftIfNot, float size, int statusId, int* counter, float* kb)
{
    if (rebootFallback && RemoveAtReboot(logged, path, size, statusId, counter, kb)) return;
    if (leftIfNot && FileSystem::Exists(path)) LogLeft(statusId, "remove-file", logged, "in use");
}

void CSweepFinder::RemoveFileEntry(WalkEntry& file, TreeMode mode, int statusId, int* counter, float* kb,
                                   const char* cannotTrace, bool rebootFallback)
{
    // A file with other names is shared with another folder: only this name goes, its data is never
    // overwritten. The count is read only where data would be.
    const float size = PrepareFile(file);
    const bool indexFile = mode == TreeMode::Cache && IsIndexFile(file.path);
    const bool soleName = (ShredderOn() || indexFile) && file.handle->HasOneName();
    try {
        std::wstring left = Actions().ReleaseFile(file, ShredderOn() && !IsIndexFile(file.path) && soleName);
        m_pending.push_back({file, std::move(left), size, statusId, counter, kb, cannotTrace, rebootFallback});
        // A few at a time, so that the log keeps pace with the walk.
        constexpr size_t kConfirmBatch = 64;
        if (m_pending.size() >= kConfirmBatch) ConfirmRemovals();
    } catch (const EntryPassedOver&) {
        m_passedOver = true;
    } catch (const CFileException& e) {
        ConfirmRemovals();  // the lines of the files before it come first
        TraceMessage(cannotTrace, file.path.c_str());
        // A held cache index stays by design once its records are wiped: it is not left behind.
        const bool wiped = indexFile && soleName && Actions().WipeIndexFile(file) > 0;
        file.handle->Close();  // not to keep the name there for whoever removes it meanwhile
        LeaveOrSchedule(file.path, e.Path(), rebootFallback, !wiped, size, statusId, counter, kb);
    }
}

// One listing tells which released names are gone; a name still listed is asked again for a moment
// (Wine unlinks a little after the close). A few names of a large folder are asked one by one
// instead of listing it all again. Only a gone file is logged and counted.
void CSweepFinder::ConfirmRemovals()
{
    if (m_pending.empty()) return;
    constexpr size_t kListingPays = 16;  // entries listed for one name asked
    const bool listOnce = !m_previewing && m_pending.size() * kListingPays >= m_entries.size();
    std::unordered_set<std::wstring> listed;
    if (listOnce)
        for (ListedEntry& entry : ListWalkFolder(*m_folder)) listed.insert(std::move(entry.wideName));
    std::vector<PendingRemoval> pending;
    pending.swap(m_pending);
    for (PendingRemoval& p : pending) {
        if (Actions().FileGone(p.file, p.leftName, !listOnce || listed.count(p.leftName) != 0)) {
            LogItem(SweepLine::kRemoveFile, p.statusId, p.counter, p.file.path.c_str(), static_cast<double>(p.size));
            Add(p.kb, p.size);
            continue;
        }
        TraceMessage(p.cannotTrace, p.file.path.c_str());
        LeaveOrSchedule(p.file.path, PathOf(p.file, p.leftName), p.rebootFallback, true, p.size, p.statusId, p.counter,
                        p.kb);
    }
}

// A junction or folder symlink: what it points at is not the user's to lose here. The link alone may go
// where the platform removes just the link.
bool CSweepFinder::RemoveFolderLink(WalkEntry& link, int statusId, int* counter)
{
    if (!Platform::RemovesFolderLinkAlone() || !Actions().RemoveFolder(link)) {
        TraceMessage("   Left folder link %s in place.\n", link.path.c_str());
        return false;
    }
    LogItem(SweepLine::kRemoveFolder, statusId, counter, link.path.c_str(), 0.0);
    return true;
}

// A subfolder's contents, then the folder itself. Its line is written only when it is gone, or when
// it is scheduled to go at the restart after something inside it.
void CSweepFinder::RemoveSubTree(WalkEntry& folder, const std::string& filter, TreeMode mode, int statusId, int* counter,
                                 float* kb)
{
    if (std::any_of(m_ancestors.begin(), m_ancestors.end(),
                    [&](const FileIdentity& a) { return a.SameEntry(folder.identity); })) {
        TraceMessage("   Passed over %s: the walk is inside it already.\n", folder.path.c_str());
        return;
    }
    if (m_ancestors.size() >= kMaxDepth) {
        TraceMessage("   Passed over %s: too deep.\n", folder.path.c_str());
        return;
    }
    float subTally = 0.0f;
    bool scheduledBelow = false;
    bool passedOverBelow = false;
    {
        CSweepFinder sub(*this, folder.AsFolder(), filter);
        sub.RemoveTree(mode, statusId, counter, &subTally);
        scheduledBelow = sub.m_scheduled;
        passedOverBelow = sub.m_passedOver;
    }
    Add(kb, subTally);
    m_scheduled = m_scheduled || scheduledBelow;
    if (!MatchesEverything(filter) || m_keepFolders) return;  // a filter selects files; the folders stay
    // What was passed over (a link, a look-alike name) stays, and so does every folder that holds it:
    // neither removed nor scheduled for the restart, where it could not go either.
    if (passedOverBelow) {
        m_passedOver = true;
        TraceMessage("   Left directory %s: it holds what the walk passed over.\n", folder.path.c_str());
        return;
    }
    if (Actions().RemoveFolder(folder) ||
        (scheduledBelow && FileSystem::Exists(folder.path) && Actions().RemoveAtReboot(folder.path))) {
        LogItem(SweepLine::kRemoveFolder, statusId, counter, folder.path.c_str(), static_cast<double>(subTally));
        return;
    }
    TraceMessage("   Cannot remove directory now: %s.\n", folder.path.c_str());
}

void CSweepFinder::RemoveTree(TreeMode mode, int statusId, int* counter, float* kb)
{
    const bool removesFolders = MatchesEverything(m_filter) || !HasWildcards(m_filter);
    ForEachEntry([&](const ListedEntry& listed, size_t index) {
        WalkEntry entry;
        if (listed.IsFolder()) {
            if (listed.IsReparsePoint()) {
                if (!(!m_keepFolders && removesFolders && Admit(listed, false, entry) &&
                      RemoveFolderLink(entry, statusId, counter)))
                    m_passedOver = true;
                return;
            }
            if (Admit(listed, false, entry))
                RemoveSubTree(entry, NamedEntry(index) ? "*" : m_filter, mode, statusId, counter, kb);
            else
                m_passedOver = true;
            return;
        }
        if (mode == TreeMode::Cache && lstrcmpiA(listed.name.c_str(), "desktop.ini") == 0) {
            m_passedOver = true;
            return;
        }
        if (AdmitToRemove(listed, entry))
            RemoveFileEntry(entry, mode, statusId, counter, kb, "   Cannot remove system file now: %s.\n", true);
        else
            m_passedOver = true;
    });
}

void CSweepFinder::RemoveFiles(int statusId, int* counter, float* kb)
{
    RemoveFilesUnless(nullptr, statusId, counter, kb);
}

void CSweepFinder::RemoveFilesUnless(const KeepTest& keeps, int statusId, int* counter, float* kb)
{
    ForEachEntry([&](const ListedEntry& listed, size_t) {
        WalkEntry entry;
        // A test reads the file: its handle is opened for the data too.
        if (listed.IsFolder() || !(keeps ? Admit(listed, true, entry) : AdmitToRemove(listed, entry))) return;
        if (keeps && keeps(entry)) return;
        RemoveFileEntry(entry, TreeMode::Plain, statusId, counter, kb, "   Cannot remove file now: %s.\n", true);
    });
}

void CSweepFinder::RemoveFilesBelow(int statusId, int* counter, float* kb)
{
    m_keepFolders = true;
    RemoveTree(TreeMode::Plain, statusId, counter, kb);
}

// The files of the folder but "index.dat" and those whose path is kept (as Windows compares paths).
template <class Handle>
void CSweepFinder::ForEachFileBut(const std::vector<std::string>& kept, Handle handle)
{
    ForEachEntry([&](const ListedEntry& listed, size_t) {
        if (listed.IsFolder() || IsIndexFile(listed.name)) return;
        const std::string path = m_folder->path + "\\" + listed.name;
        if (std::none_of(kept.begin(), kept.end(), [&](const std::string& k) { return FileSystem::SameWindowsPath(k, path); }))
            handle(listed, path);
    });
}

void CSweepFinder::RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb)
{
    std::vector<std::string> kept;
    for (const auto& pair : keep) kept.push_back(pair.second);
    ForEachFileBut(kept, [&](const ListedEntry& listed, const std::string&) {
        WalkEntry entry;
        if (AdmitToRemove(listed, entry))
            RemoveFileEntry(entry, TreeMode::Plain, statusId, counter, kb, "   Cannot remove system file now: %s.\n", false);
    });
}

void CSweepFinder::CollectFiles(PathPairs& list)
{
    list.clear();
    FriendlyCookieList friendly;
    g_internetSettings.CopyFriendlyCookies(friendly);
    std::vector<std::string> kept;
    for (const FriendlyCookie& cookie : friendly) kept.push_back(cookie.Fl);
    ForEachFileBut(kept, [&](const ListedEntry& listed, const std::string& path) {
        WalkEntry entry;
        if (Admit(listed, false, entry)) list.emplace_back(std::string(), path);
    });
}
