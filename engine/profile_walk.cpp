#include "engine/profile_walk.h"
#include <shlwapi.h>
#include <cstring>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "engine/walk_entry.h"
#include "framework/file_find.h"

namespace {

const ItemLine kProfileFileLine{"   Item %d, Remove file: %s, size %.3f(KB).\n", "   Remove file: %s, size %.3f(KB).\n"};
const ItemLine kProfileRebootLine{"   Item %d, Remove file: %s, size %.3f(KB) (After Rebooting).\n",
                                  "   Remove file: %s, size %.3f(KB) (After Rebooting).\n"};

// A name is compared whole (without regard to case); only a pattern goes to the shell's matcher,
// which would split a name at ';'.
bool NameMatches(const std::string& name, const char* filter)
{
    if (!strpbrk(filter, "*?")) return lstrcmpiA(name.c_str(), filter) == 0;
    return PathMatchSpecA(name.c_str(), filter);
}

}  // namespace

std::optional<ReachedEntry> StartFolder(const std::string& path)
{
    if (const char* reason = RefusedPatternReason(path + "\\*")) {
        if (!path.empty()) TraceMessage("Refused to walk %s: %s\n", path.c_str(), reason);
        return std::nullopt;
    }
    ReachedEntry start{path, path.substr(path.find_last_of('\\') + 1), true, {}};
    if (!FileSystem::Identify(path, start.identity, true) || !(start.identity.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return start;
}

void ForEachEntry(const ReachedEntry& folder, const char* filter, const std::function<void(const ReachedEntry&)>& visit)
{
    CFileFind find;
    for (bool more = find.FindFile(folder.path + "\\*"); more;) {
        more = find.FindNextFile();
        if (find.IsDots() || !NameMatches(find.GetFileName(), filter)) continue;
        ReachedEntry entry{find.GetFilePath(), find.GetFileName(), find.IsDirectory(), {}};
        if (Actions().FileTaken(entry.path)) continue;  // what a preview took is passed over
        if (AdmitEntry(find, folder.identity.finalPath, entry.identity)) visit(entry);
    }
}

std::optional<ReachedEntry> Reach(const ReachedEntry& folder, const std::string& relative)
{
    std::optional<ReachedEntry> at = folder;
    for (std::string_view step : FileSystem::PathComponents(relative)) {
        if (step.empty()) continue;
        if (!at || !at->folder) return std::nullopt;
        std::optional<ReachedEntry> next;
        // The step is a name, never a pattern: one that holds wildcards reaches nothing.
        const std::string name(step);
        if (name.find_first_of("*?") != std::string::npos) return std::nullopt;
        ForEachEntry(*at, name.c_str(), [&](const ReachedEntry& entry) { next = entry; });
        at = next;
    }
    return at;
}

void RemoveProfileFile(const ReachedEntry& file, int statusId, int* counter, float* kb)
{
    CFileStatus status;
    const float size = CFile::GetStatus(file.path, status) ? BytesToKB(status.m_size) : 0.0f;
    try {
        Actions().RemoveFile(file.path, ShredderOn() && FileSystem::LinkCount(file.path) == 1);
        LogItem(kProfileFileLine, statusId, counter, file.path.c_str(), static_cast<double>(size));
    } catch (const CFileException&) {
        if (!FileSystem::Exists(file.path) || !Actions().RemoveAtReboot(file.path)) {
            TraceMessage("   Cannot remove profile file %s, not even at the restart.\n", file.path.c_str());
            return;
        }
        LogItem(kProfileRebootLine, statusId, counter, file.path.c_str(), static_cast<double>(size));
    }
    if (kb) *kb += size;
}
