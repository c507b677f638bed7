#pragma once
#include <string>
#include <vector>

// The second round of the hostile profile: paths from other programs' data that name the user's
// Documents and the Windows drivers, registry links (to canary keys and to their own parents),
// links whose targets differ only in case, names Wine shows as one, filters without wildcards or
// with ';', LocalLow as a custom location, value names and data that would forge log lines, a file
// that stays though its deletion is reported done, a line longer than 512 bytes and a hostile trash.
// Planted after the first round, into the same root; custom locations from index `firstLocation`.
void PlantDataPaths(const std::string& root, bool shredder, int firstLocation);
// A folder the file system will not empty or remove, with a file in it: neither may be said to be
// gone (with Deep Sweep both wait for the restart, and say so). A preview cannot foresee such a
// folder, so the preview's profile goes without it.
void PlantImmutableFolder(const std::string& root);
// The settings bits the round needs beside the Windows category's.
inline constexpr unsigned kDataPathsApplications = 0x32;  // Word, Acrobat Reader, RealPlayer
inline constexpr unsigned kDataPathsInternet = 0x1C04;    // history, Firefox, Chrome, Edge
void CheckDataPaths(const std::string& root, const std::vector<std::string>& logs, std::vector<std::string>& problems);
void RemoveDataPaths(const std::string& root);
