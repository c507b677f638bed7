#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "engine/protected_folders.h"
#include "engine/walk_entry.h"

// Pairs of (first text, full path): the keep list of RemoveFilesExcept and the list CollectFiles fills.
using PathPairs = std::vector<std::pair<std::string, std::string>>;

// Why a search pattern must not be walked (empty, relative, a drive or share root, "." or ".." in
// its folder, a filter that is not a plain file-name pattern), or null when it may. Every pattern
// comes from registry values and environment variables.
const char* RefusedPatternReason(const std::string& pattern);

// The long name against a file-name pattern as Windows matches it (framework/wildcard_match.h), without
// regard to case: '*' and '?' are its only wildcards, and ';' or ',' are ordinary characters
// ("notes;todo.txt" is one name).
bool NameMatchesPattern(const std::wstring& name, const std::wstring& pattern);
bool HasWildcards(const std::string& filter);


// What a tree removal keeps: a cache's own files ("index.dat", which is wiped when held, and
// "desktop.ini") stay in a cache tree.
enum class TreeMode { Plain, Cache };

// A wildcard walk of one folder with the removal operations. The filter is matched against each
// entry's long name only. A wildcard filter selects files at every level of a tree; a filter without
// wildcards names one entry of the top folder (when two entries answer to it, neither), and
// RemoveTree takes that entry whole when it is a folder. The folder named by the pattern itself is
// never removed; a walk never leaves it: every folder is listed through its own handle and every
// entry opened relative to it, checked, and changed through its own handle; links and entries
// whose path would lead elsewhere are passed over, a folder already on the walk's way down is not
// entered again, and the depth is bounded. A refused pattern, or a folder that is, holds or lies in
// one the system or the user keeps, finds nothing.
class CSweepFinder {
public:
    CSweepFinder(const std::string& pattern, bool allowRebootRemoval, PatternSource source = PatternSource::Data);
    // A folder a walk already opened and checked, with a filter of its own; its path came from data.
    CSweepFinder(const WalkFolder& folder, const std::string& filter, bool allowRebootRemoval);
    CSweepFinder(const CSweepFinder&) = delete;
    CSweepFinder& operator=(const CSweepFinder&) = delete;

    void RemoveTree(TreeMode mode, int statusId, int* counter, float* kb);
    void RemoveFiles(int statusId, int* counter, float* kb);
    // The same, but a file the test keeps stays (the test says why in its own line).
    using KeepTest = std::function<bool(WalkEntry& file)>;
    void RemoveFilesUnless(const KeepTest& keeps, int statusId, int* counter, float* kb);
    // The files the filter selects at every level below the folder; every folder stays.
    void RemoveFilesBelow(int statusId, int* counter, float* kb);
    void RemoveFilesExcept(const PathPairs& keep, int statusId, int* counter, float* kb);
    void CollectFiles(PathPairs& list);

private:
    CSweepFinder(const CSweepFinder& parent, const WalkFolder& folder, const std::string& filter);

    void StartTop(WalkFolder top, PatternSource source);
    void Start();
    template <class Handle>
    void ForEachEntry(Handle handle);
    template <class Handle>
    void ForEachFileBut(const std::vector<std::string>& kept, Handle handle);
    bool Selects(size_t index) const;
    bool NamedEntry(size_t index) const { return m_named && *m_named == index; }
    bool TakenByPreview(size_t index) const;
    bool Admit(const ListedEntry& listed, bool data, WalkEntry& entry) const;
    bool AdmitToRemove(const ListedEntry& listed, WalkEntry& entry) const;
    float PrepareFile(WalkEntry& file) const;
    void RemoveFileEntry(WalkEntry& file, TreeMode mode, int statusId, int* counter, float* kb, const char* cannotTrace,
                         bool rebootFallback);
    bool RemoveAtReboot(const std::string& logged, const std::string& path, float size, int statusId, int* counter,
                        float* kb);
    void LeaveOrSchedule(const std::string& logged, const std::string& path, bool rebootFallback, bool leftIfNot,
                         float size, int statusId, int* counter, float* kb);
    void RemoveSubTree(WalkEntry& folder, const std::string& filter, TreeMode mode, int statusId, int* counter, float* kb);
    bool RemoveFolderLink(WalkEntry& link, int statusId, int* counter);

    // A removal waiting for the listing that confirms it, in the order of the walk, with what its
    // line and tally need.
    struct PendingRemoval {
        enum class Kind { File, FailedFile, Folder };
        Kind kind;
        std::string path;       // as logged
        std::wstring leftName;  // the name it was left under once released
        bool released;          // marked and closed
        float size;
        int statusId;
        int* counter;
        float* kb;
        const char* cannotTrace;
        bool rebootFallback;    // a file may wait for the restart; a folder may when something below does
        bool leftIfNot = true;  // a file that stays says so (a held cache index, wiped, does not)
        std::string stillAt;    // where a file that failed still is
    };
    bool ConfirmationDue() const;
    void ConfirmRemovals();
    void Confirm(PendingRemoval& removal, bool listed);

    std::optional<WalkFolder> m_folder;
    std::vector<ListedEntry> m_entries;
    std::vector<PendingRemoval> m_pending;
    std::wstring m_pattern;  // the filter, as matched
    std::string m_filter;
    std::vector<FileIdentity> m_ancestors;  // the folders on the way down from the top
    std::optional<size_t> m_named;          // the one entry a filter without wildcards names
    bool m_allowReboot;
    bool m_keepFolders = false;
    bool m_previewing = false;  // what the preview took is passed over
    bool m_scheduled = false;   // something below was left for removal at the next restart
    bool m_passedOver = false;  // something below was passed over and stays: the folders above it stay too
};
