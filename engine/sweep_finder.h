#pragma once
#include <string>
#include <utility>
#include <vector>
#include "framework/file_find.h"

// Pairs of (first text, full path): the keep list of RemoveFilesExcept and the list CollectFiles fills.
using PathPairs = std::vector<std::pair<std::string, std::string>>;

// Why a search pattern must not be walked (empty, relative, or naming a drive or share root), or null
// when it may. Every pattern comes from registry values and environment variables.
const char* RefusedPatternReason(const std::string& pattern);

// A wildcard walk of one folder with the removal operations. The folder named by the pattern itself is
// never removed, links found in it are never entered, and a refused pattern finds nothing.
class CSweepFinder {
public:
    CSweepFinder(const std::string& pattern, bool allowRebootRemoval);
    CSweepFinder(const CSweepFinder&) = delete;
    CSweepFinder& operator=(const CSweepFinder&) = delete;

    void RemoveTree(int mode, int statusId, int* counter, float* kb);
    void RemoveFiles(int statusId, int* counter, float* kb);
    void RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb);
    void CollectFiles(PathPairs& list);
    void Close() { m_find.Close(); m_more = false; }

private:
    template <class Handle>
    void ForEachEntry(Handle handle);
    void RemovePrepared(const std::string& path, float size, int statusId, int* counter, float* kb);
    void RemoveAtReboot(const std::string& logged, const std::string& path, float size, int statusId, int* counter,
                        float* kb);
    void RemoveFolderLink(const std::string& path, int statusId, int* counter);

    CFileFind m_find;
    bool m_more = false;
    bool m_allowReboot;
};
