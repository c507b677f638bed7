#pragma once
#include <string>
#include <utility>
#include <vector>
#include "framework/file.h"
#include "framework/file_find.h"

// Pairs of (first text, full path): the keep list of RemoveFilesExcept and the list CollectFiles fills.
using PathPairs = std::vector<std::pair<std::string, std::string>>;

// Why a search pattern must not be walked (empty, relative, a drive or share root, "." or ".." in
// its folder, a filter that is not a plain file-name pattern), or null when it may. Every pattern
// comes from registry values and environment variables.
const char* RefusedPatternReason(const std::string& pattern);

// A wildcard walk of one folder with the removal operations. The filter is matched against each
// entry's long name only. A wildcard filter selects files at every level of a tree; a filter without
// wildcards names one entry of the folder, and RemoveTree takes that entry whole when it is a folder. The folder named by the pattern itself is never removed; a walk never
// leaves it: links and entries whose path would lead elsewhere are passed over, a folder already on
// the walk's way down is not entered again, and the depth is bounded. A refused pattern, or a folder
// that is or holds one the system or the user keeps, finds nothing.
class CSweepFinder {
public:
    CSweepFinder(const std::string& pattern, bool allowRebootRemoval);
    CSweepFinder(const CSweepFinder&) = delete;
    CSweepFinder& operator=(const CSweepFinder&) = delete;

    void RemoveTree(int mode, int statusId, int* counter, float* kb);
    void RemoveFiles(int statusId, int* counter, float* kb);
    // The files the filter selects at every level below the folder; every folder stays.
    void RemoveFilesBelow(int statusId, int* counter, float* kb);
    void RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb);
    void CollectFiles(PathPairs& list);
    void Close() { m_find.Close(); m_more = false; }

private:
    // A folder on the way down from the top of the walk.
    using Ancestors = std::vector<FileIdentity>;
    CSweepFinder(const CSweepFinder& parent, const std::string& folder, const FileIdentity& identity,
                 const std::string& filter);

    void Start(const std::string& folder, const std::string& finalFolder);
    template <class Handle>
    void ForEachEntry(Handle handle);
    bool Matches() const;
    bool NamesThisFolder() const;
    bool Admit(FileIdentity& identity) const;
    void RemoveFileEntry(const std::string& path, int mode, int statusId, int* counter, float* kb,
                         const char* cannotTrace, bool rebootFallback);
    bool RemoveAtReboot(const std::string& logged, const std::string& path, float size, int statusId, int* counter,
                        float* kb);
    void RemoveSubTree(const std::string& path, const FileIdentity& identity, const std::string& filter, int mode,
                       int statusId, int* counter, float* kb);
    void RemoveFolderLink(const std::string& path, int statusId, int* counter);

    CFileFind m_find;
    bool m_more = false;
    bool m_allowReboot;
    std::string m_filter;
    std::string m_finalFolder;
    Ancestors m_ancestors;
    bool m_keepFolders = false;
    bool m_previewing = false;  // what the preview took is passed over
    bool m_scheduled = false;  // something below was left for removal at the next restart
};
