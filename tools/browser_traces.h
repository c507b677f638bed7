#pragma once
#include <string>

struct ProfileCheck;

// Firefox profiles in both layouts, Chrome profiles with today's places, Edge, Brave, Vivaldi, Opera
// and Opera GX, the Firefox forks and the Store build, the MSN and Google toolbar keys and an AOL data
// folder, with canaries beside them, and the browsers' saved passwords. The browsers' folders are
// found through the user's shell folders, whose values name %USERPROFILE%: it is to point at
// root\Profile.
void PlantBrowserTraces(const std::string& root);
// The saved passwords are traces when the sweep took them, else canaries.
void CheckBrowserTraces(const std::string& root, bool passwordsSwept, ProfileCheck& check);
// A profile file that a test holds open, standing for a running Edge.
std::string RunningBrowserFile(const std::string& root);
