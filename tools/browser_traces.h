#pragma once
#include <string>

struct ProfileCheck;

// Firefox profiles in both layouts, Chrome profiles with today's places, the MSN and Google toolbar
// keys and an AOL data folder, with canaries beside them. The browsers' folders are found through
// the user's shell folders, whose values name %USERPROFILE%: it is to point at root\Profile.
void PlantBrowserTraces(const std::string& root);
void CheckBrowserTraces(const std::string& root, ProfileCheck& check);
