#pragma once
#include <functional>
#include <optional>
#include <string>
#include "framework/file.h"

// Browser and client profiles, walked down from a folder a registry value names: every step below
// it is an entry the removal walks admit, so no link and no trimmed name leads the walk elsewhere.
struct ReachedEntry {
    std::string path;
    std::string name;
    bool folder = false;
    FileIdentity identity;
};

// The folder a value names, when it is an absolute folder that is not a drive or share root.
std::optional<ReachedEntry> StartFolder(const std::string& path);
// Each admitted entry directly in the folder whose long name matches the filter, in search order.
void ForEachEntry(const ReachedEntry& folder, const char* filter, const std::function<void(const ReachedEntry&)>& visit);
// The entry a relative path ("Network\\Cookies") names below the folder, reached step by step.
std::optional<ReachedEntry> Reach(const ReachedEntry& folder, const std::string& relative);
// Removes a profile file whole (shredded first when the Shredder is on), or schedules it for the
// restart when it is in use. Only what was done is logged, counted and tallied.
void RemoveProfileFile(const ReachedEntry& file, int statusId, int* counter, float* kb);
