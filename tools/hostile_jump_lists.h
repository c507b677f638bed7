#pragma once
#include <string>
#include <vector>

// Jump lists in a Recent folder of the hostile profile's own: good ones without pins in both layouts
// (traces), a pinned one, and lists no reader may trust (a cyclic sector chain, a directory entry that
// is its own sibling, a file cut short in a sector, a DIFAT chain that loops, no compound file at
// all), which once hung a sweep or were taken for lists without pins. With `asShellRecent` the
// shell's Recent folder is that folder, so that the jump-list item reads them.
void PlantHostileJumpLists(const std::string& root, bool asShellRecent);
// Where the shell's Recent folder is that folder, what the sweeps whose logs are given must have done:
// the traces gone, every other list kept byte for byte with its line; elsewhere, nothing touched.
void CheckHostileJumpLists(const std::string& root, const std::vector<std::string>& logs,
                           std::vector<std::string>& problems);
