#pragma once
#include <functional>
#include <optional>
#include <string>
#include "engine/walk_entry.h"

// Browser and client profiles, walked down from a folder a registry value names: every step below
// it is an entry the removal walks admit, opened through its folder's handle, so no link and no
// trimmed name leads the walk elsewhere.
using ReachedEntry = WalkEntry;

// The folder a value names, when it is an absolute folder that is not a drive or share root.
std::optional<ReachedEntry> StartFolder(const std::string& path);
// A drive's own folder ("C:"), only to reach the folders directly in it by name or pattern: the walks
// that sweep never start there.
std::optional<ReachedEntry> DriveFolder(const std::string& drive);
// Each admitted entry directly in the folder whose long name matches the filter, in listing order.
// A file is opened for its data too when `data` (to read it).
void ForEachEntry(const ReachedEntry& folder, const char* filter, const std::function<void(ReachedEntry&)>& visit,
                  bool data = false);
// The entry a relative path ("Network\\Cookies") names below the folder, reached step by step.
std::optional<ReachedEntry> Reach(const ReachedEntry& folder, const std::string& relative, bool data = false);
// The content of a reached file (reached with `data`, or held by another program); nothing when it
// cannot be read or is longer than `limit`.
std::optional<std::string> ReadReachedFile(const ReachedEntry& file, size_t limit);
// Removes a profile file whole (shredded first when the Shredder is on), or, with Deep Sweep,
// schedules it for the restart when it is in use (else it is left, and says so). Only what was done
// is logged, counted and tallied; nothing is removed inside a folder the user keeps.
void RemoveProfileFile(ReachedEntry& file, int statusId, int* counter, float* kb);
// The same for one file the system itself writes into a folder the user keeps.
void RemoveReachedFile(ReachedEntry& file, int statusId, int* counter, float* kb);
