#include "engine/profile_walk.h"
#include "engine/sweep_events.h"
#include "engine/sweep_stop.h"
#include "engine/walk_progress.h"
#include "framework/trace.h"
#include "engine/file_removal.h"
#include "engine/protected_folders.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"

namespace {

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

}  // namespace

std::optional<ReachedEntry> StartFolder(const std::string& path)
{
    if (const char* reason = RefusedPatternReason(path + "\\*")) {
        if (!path.empty()) TraceMessage("Refused to walk %s: %s\n", path.c_str(), reason);
        return std::nullopt;
    }
    const std::optional<WalkFolder> top = OpenWalkTop(path);
    if (!top) return std::nullopt;
    ReachedEntry start;
    start.path = path;
    start.name = path.substr(path.find_last_of('\\') + 1);
    start.attributes = FILE_ATTRIBUTE_DIRECTORY;
    start.handle = top->handle;
    start.identity = top->identity;
    return start;
}

std::optional<ReachedEntry> DriveFolder(const std::string& drive)
{
    const bool letter = drive.size() == 2 && drive[1] == ':' && ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'));
    const std::optional<WalkFolder> top = letter ? OpenWalkTop(drive + "\\") : std::nullopt;
    if (!top) return std::nullopt;
    ReachedEntry start;
    start.path = drive;  // its entries' paths are "C:\\name"
    start.name = drive;
    start.attributes = FILE_ATTRIBUTE_DIRECTORY;
    start.handle = top->handle;
    start.identity = top->identity;
    return start;
}

void ForEachEntry(const ReachedEntry& folder, const char* filter, const std::function<void(ReachedEntry&)>& visit,
                  bool data)
{
    const WalkFolder walked = folder.AsFolder();
    const std::wstring pattern = FileSystem::Widen(filter);
    const std::vector<ListedEntry> entries = ListWalkFolder(walked);
    WalkFound(entries.size());
    for (const ListedEntry& listed : entries) {
        StopIfRequested();
        WalkHandled(walked.path);
        if (!NameMatchesPattern(listed.wideName, pattern)) continue;
        if (Actions().FileTaken(walked.path + "\\" + listed.name)) continue;  // what a preview took is passed over
        ReachedEntry entry;
        if (AdmitEntry(walked, listed, data, entry)) visit(entry);
    }
}

std::optional<ReachedEntry> Reach(const ReachedEntry& folder, const std::string& relative, bool data)
{
    std::optional<ReachedEntry> at = folder;
    std::vector<std::string_view> steps;
    for (std::string_view step : FileSystem::PathComponents(relative))
        if (!step.empty()) steps.push_back(step);
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string_view step = steps[i];
        if (!at || !at->IsFolder()) return std::nullopt;
        std::optional<ReachedEntry> next;
        // The step is a name, never a pattern: one that holds wildcards reaches nothing. Two entries
        // that answer to it (names Wine shows as one) leave unclear which was meant: neither is taken.
        const std::string name(step);
        if (HasWildcards(name)) return std::nullopt;
        int answers = 0;
        ForEachEntry(
            *at, name.c_str(), [&](ReachedEntry& entry) {
                if (++answers == 1) next = std::move(entry);
            },
            data && i + 1 == steps.size());
        if (answers > 1) {
            TraceMessage("   Passed over %s\\%s: two entries answer to that name.\n", at->path.c_str(), name.c_str());
            return std::nullopt;
        }
        at = std::move(next);
    }
    return at;
}

std::optional<std::string> ReadReachedFile(const ReachedEntry& file, size_t limit)
{
    std::vector<unsigned char> bytes;
    if (!ReadEntryContent(file, bytes, limit)) return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

void RemoveProfileFile(ReachedEntry& file, int statusId, int* counter, float* kb)
{
    if (RefuseProtectedFolder(FolderOf(file.path), FolderOf(file.identity.finalPath), PatternSource::Data)) return;
    RemoveReachedFile(file, statusId, counter, kb);
}

void RemoveReachedFile(ReachedEntry& file, int statusId, int* counter, float* kb)
{
    unsigned long long bytes = 0;
    DWORD links = 0;
    const bool sized = file.handle->Size(bytes, links);
    const float size = sized ? BytesToKB(bytes) : 0.0f;
    try {
        Actions().RemoveFile(file, ShredderOn() && file.handle->HasOneName());
        LogItem(SweepLine::kRemoveFile, statusId, counter, file.path.c_str(), static_cast<double>(size));
    } catch (const CFileException& e) {
        file.handle->Close();
        if (!FileSystem::Exists(e.Path())) return;  // another sweeper took it meanwhile
        // A file a running program holds goes at the restart only with Deep Sweep.
        if (!DeepSweepOn() || !Actions().RemoveAtReboot(e.Path())) {
            LogLeft(statusId, "remove-file", file.path, "in use");
            return;
        }
        LogItem(SweepLine::kRemoveAtReboot, statusId, counter, file.path.c_str(), static_cast<double>(size));
    }
    if (kb) *kb += size;
}
