#pragma once
#include <string>
#include <vector>
#include "tools/profile_tools.h"

// A Windows 11 user's traces of today's Explorer and shell, with canaries beside each: the Quick
// Access pins, jump lists with and without pins (in both DestList layouts) and one that is not a
// jump list, icon caches, the user's default apps, a user's own .rdp file, UserAssist's Version
// values, Bags\AllFolders, and a registry link among the histories. `profile` is USERPROFILE;
// APPDATA and LOCALAPPDATA are its AppData\Roaming and AppData\Local, the Recent folder below APPDATA.
void PlantWindowsTodayTraces(const std::string& profile);
// The thumbnail database a test holds open during the sweep.
std::string ThumbnailDatabase(const std::string& profile);
// What a check knows of the sweep: its logs (none: the lines are not checked), whether the
// thumbnail database was held open during it, and whether Deep Sweep was on.
struct SweepEvidence {
    std::vector<std::string> logs;
    bool thumbnailHeld = false;
    bool deepSweep = false;
    bool passwordsSwept = true;  // "Auto-Complete Password" was ticked
    bool activityHeld = false;   // the activity database was held open during it
};
// Traces left, canaries changed (files byte for byte), and the lines a sweep owes: the kept pinned
// list, the held thumbnail database (scheduled with Deep Sweep, unmentioned without).
void CheckWindowsTodayTraces(const std::string& profile, const SweepEvidence& evidence, ProfileCheck& check);
// The files planted outside the profile (in the user's Documents).
void RemoveWindowsTodayTraces();
