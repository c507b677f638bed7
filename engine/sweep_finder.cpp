#include "engine/sweep_finder.h"
#include "engine/sweep_events.h"
#include "engine/sweep_stop.h"
#include "engine/walk_progress.h"
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
    WalkFound(m_entries.size());
}

// Files first, then folders, each in the order of the listing: the files' lines wait for the listing
// that confirms their batch, and no folder's walk forces that listing early. The preview takes the
// same order and the same batches, so that its lines and numbers are the sweep's.
template <class Handle>
void CSweepFinder::ForEachEntry(Handle handle)
{
    if (!m_folder) return;
    try {
        for (const bool folders : {false, true}) {
            for (size_t i = 0; i < m_entries.size(); ++i) {
                StopIfRequested();
                if (m_entries[i].IsFolder() != folders) continue;
                WalkHandled(m_folder->path);
                if (!Selects(i) || TakenByPreview(i)) continue;
                handle(m_entries[i], i);
                if (ConfirmationDue()) ConfirmRemovals();
            }
            ConfirmRemovals();
        }
    } catch (const SweepStopped&) {
        ConfirmRemovals();  // what went is still said
        throw;
    }
}

bool CSweepFinder::TakenByPreview(size_t index) const
{
    return m_previewing && Actions().FileTaken(m_folder->path + "\\" + m_entries[index].name);
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
    PendingRemoval removal{PendingRemoval::Kind::File, file.path, file.wideName, true, size, statusId, counter, kb,
                           cannotTrace, rebootFallback, true, {}};
    try {
        removal.leftName = Actions().ReleaseFile(file, ShredderOn() && !IsIndexFile(file.path) && soleName);
    } catch (const EntryPassedOver&) {
        m_passedOver = true;
        return;
    } catch (const CFileException& e) {
        TraceMessage(cannotTrace, file.path.c_str());
        // A held cache index stays by design once its records are wiped: it is not left behind.
        removal.leftIfNot = !(indexFile && soleName && Actions().WipeIndexFile(file) > 0);
        file.handle->Close();  // not to keep the name there for whoever removes it meanwhile
        removal.kind = PendingRemoval::Kind::FailedFile;
        removal.released = false;
        removal.stillAt = e.Path();
    }
    m_pending.push_back(std::move(removal));
}

// One listing of the folder tells which released names are gone; it costs about as much as asking
// for ten names one by one, and under Wine, where a name that is gone costs a read of the whole
// folder, far less. A batch is a quarter of the folder, and never under 64 names: a folder takes a
// handful of listings whatever its size, and a small folder's lines keep pace with the walk.
bool CSweepFinder::ConfirmationDue() const
{
    constexpr size_t kBatch = 64;
    constexpr size_t kListingsPerFolder = 4;
    return m_pending.size() >= std::max(kBatch, m_entries.size() / kListingsPerFolder);
}

void CSweepFinder::ConfirmRemovals()
{
    if (m_pending.empty()) return;
    // Only the released names are held, and the listing is read an entry at a time: a folder of
    // 200,000 names is never held twice.
    std::unordered_set<std::wstring> waiting, listed;
    for (const PendingRemoval& removal : m_pending)
        if (removal.released) waiting.insert(removal.leftName);
    if (!waiting.empty() && !m_previewing)
        ListWalkFolder(*m_folder, [&](ListedEntry& entry) {
            if (waiting.count(entry.wideName)) listed.insert(std::move(entry.wideName));
        });
    std::vector<PendingRemoval> pending;
    pending.swap(m_pending);
    for (PendingRemoval& removal : pending) Confirm(removal, listed.count(removal.leftName) != 0);
}

// Only what is gone is logged and counted; a name still listed is asked again for a moment (Wine
// unlinks a little after the close). What stays waits for the restart where that is allowed.
void CSweepFinder::Confirm(PendingRemoval& removal, bool listed)
{
    const bool gone = removal.released && Actions().FileGone(*m_folder->handle, removal.leftName, listed);
    const double size = static_cast<double>(removal.size);
    if (removal.kind == PendingRemoval::Kind::Folder) {
        if (gone)
            LogItem(SweepLine::kRemoveFolder, removal.statusId, removal.counter, removal.path.c_str(), size);
        else if (removal.rebootFallback && FileSystem::Exists(removal.path) && Actions().RemoveAtReboot(removal.path))
            LogItem(SweepLine::kRemoveFolderAtReboot, removal.statusId, removal.counter, removal.path.c_str(), size);
        else
            TraceMessage("   Cannot remove directory now: %s.\n", removal.path.c_str());
        return;
    }
    if (gone) {
        LogItem(SweepLine::kRemoveFile, removal.statusId, removal.counter, removal.path.c_str(), size);
        Add(removal.kb, removal.size);
        return;
    }
    std::string stillAt = removal.stillAt;
    if (removal.kind == PendingRemoval::Kind::File) {
        TraceMessage(removal.cannotTrace, removal.path.c_str());
        std::string name;
        FileSystem::Narrow(removal.leftName.c_str(), name);
        stillAt = removal.path.substr(0, removal.path.find_last_of('\\') + 1) + name;
    }
    LeaveOrSchedule(removal.path, stillAt, removal.rebootFallback, removal.leftIfNot, removal.size, removal.statusId,
                    removal.counter, removal.kb);
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
// it is scheduled to go at the restart after something inside it (and says so).
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
    const bool released = Actions().ReleaseFolder(folder);
    m_pending.push_back({PendingRemoval::Kind::Folder, folder.path, folder.wideName, released, subTally, statusId,
                         counter, kb, nullptr, scheduledBelow, true, {}});
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
