#include "engine/folder_search.h"
#include <windows.h>
#include <algorithm>
#include "engine/protected_folders.h"
#include "engine/sweep_stop.h"
#include "engine/walk_progress.h"
#include "framework/trace.h"

namespace {

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::string Joined(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "\\" + name;
}

class Search {
public:
    Search(const ReachedEntry& top, const FolderSearch& search)
        : m_top(top), m_search(search), m_name(FileSystem::Widen(search.name)),
          m_kept(KeptFoldersBelow(top.path, top.identity.finalPath))
    {
    }

    std::vector<ReachedEntry> Run()
    {
        Walk(m_top.handle, m_top.path, "", 0, m_search.levels, 0);
        return std::move(m_found);
    }

private:
    // Lists the folder at `level` below the top, which its parent's listing gave the index `listedAs`
    // (0: the top, or none given); a found folder may lie at most at `limit`.
    void Walk(const SharedEntryHandle& folder, const std::string& path, const std::string& relative, unsigned level,
              unsigned limit, unsigned long long listedAs)
    {
        std::vector<ListedEntry> entries;
        unsigned long long self = 0;
        if (!folder->List(entries, &self)) TraceMessage("   Cannot list %s entirely.\n", path.c_str());
        // A folder swapped for a link since its parent was listed is another folder: what it holds is
        // passed over. (Where links are opened as themselves, as on Windows, the open alone sees to it.)
        if (listedAs && self && self != listedAs) {
            TraceMessage("   Passed over %s: it is not the folder listed.\n", path.c_str());
            return;
        }
        WalkFound(entries.size());
        for (const ListedEntry& listed : entries) {
            StopIfRequested();
            WalkHandled(path);
            if (!listed.IsFolder() || listed.IsReparsePoint() || listed.lossy) continue;
            if (SameName(listed.wideName, m_name)) {
                Found(folder, path, relative, listed);
                continue;
            }
            const std::string childRelative = Joined(relative, listed.name);
            const unsigned childLimit = m_search.recounts && m_search.recounts(childRelative)
                                            ? std::max(limit, level + 1 + m_search.levels)
                                            : limit;
            if (level + 1 >= childLimit) continue;  // what it holds would lie deeper than the search goes
            const std::string childPath = path + "\\" + listed.name;
            if (IsOrHoldsAny(childPath, m_kept)) continue;
            CEntryHandle opened = CEntryHandle::OpenSubFolderToList(*folder, listed.wideName);
            if (opened)
                Walk(std::make_shared<CEntryHandle>(std::move(opened)), childPath, childRelative, level + 1, childLimit,
                     listed.fileId);
        }
    }

    // The found folder is admitted in its folder, which must resolve to the path the walk built: no
    // link led the walk there.
    void Found(const SharedEntryHandle& folder, const std::string& path, const std::string& relative,
               const ListedEntry& listed)
    {
        WalkFolder walked{folder, path, m_top.identity};
        if (!relative.empty()) {
            const std::string expected = m_top.identity.finalPath + "\\" + relative;
            if (!folder->Identify(walked.identity, true) || walked.identity.finalPath != expected) {
                TraceMessage("   Passed over %s: it leads to %s.\n", path.c_str(), walked.identity.finalPath.c_str());
                return;
            }
        }
        ReachedEntry entry;
        if (AdmitEntry(walked, listed, false, entry)) m_found.push_back(std::move(entry));
    }

    const ReachedEntry& m_top;
    const FolderSearch& m_search;
    std::wstring m_name;
    std::vector<std::string> m_kept;
    std::vector<ReachedEntry> m_found;
};

}  // namespace

std::vector<ReachedEntry> SearchFolders(const ReachedEntry& top, const FolderSearch& search)
{
    if (!top.IsFolder() || !top.handle) return {};
    return Search(top, search).Run();
}
