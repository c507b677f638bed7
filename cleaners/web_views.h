#pragma once
#include <vector>
#include "engine/profile_walk.h"

// The folders of embedded web views ("EBWebView") below the user's local application data: at most
// six levels below it, or six below a package's "Packages\<package>\LocalCache", through a search
// that lists folders only and enters no link and no kept folder.
std::vector<ReachedEntry> FindWebViews(const ReachedEntry& local);
