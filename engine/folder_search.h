#pragma once
#include <functional>
#include <string>
#include <vector>
#include "engine/profile_walk.h"

// What a search below a folder looks for: the folders of one name (without regard to case), at most
// `levels` below the top; a folder `recounts` names by its path relative to the top
// ("Packages\\App\\LocalCache") gives the search `levels` more below itself.
struct FolderSearch {
    std::string name;
    unsigned levels = 0;
    std::function<bool(const std::string& relative)> recounts;
};

// Every folder the search finds below the top, each admitted as the removal walks admit an entry, in
// the order of the walk. The walk lists folders only, one folder at a time through its own handle;
// it never enters a link (as listed), a folder that is or holds one the system or the user keeps, or
// a folder whose handle is not the one its listing gave; it does not search below a folder it found.
std::vector<ReachedEntry> SearchFolders(const ReachedEntry& top, const FolderSearch& search);
