#pragma once
#include <string>
#include <vector>
#include "tools/profile_tools.h"
#include "tools/windows_today_traces.h"

// Windows 11 Notepad's files, as Notepad writes them (CRC32s included), independently of Ombrix's
// reader: a tab ("<GUID>.bin") and its option file ("<GUID>.0.bin", "<GUID>.1.bin").
struct PlannedTab {
    std::u16string savedPath;           // empty: never saved
    std::u16string text;
    bool unsaved = false;               // the text differs from the saved file
    std::vector<std::u16string> edits;  // typed since, not yet folded into the text
};
std::string NotepadTabFile(const PlannedTab& tab);
std::string NotepadOptionFile();

// The traces Windows 11's apps leave in a profile's local application data, with what must stay
// beside each: Notepad's tabs (a saved one goes; an unsaved one, a saved one with changes and a
// damaged file stay), the Snipping Tool's clips (the saved screenshots stay), the activity
// timeline, packaged apps' web caches (not their cookies) and embedded web views' caches (not their
// cookies, storage or sign-ins). `profile` is USERPROFILE, its AppData\Local LOCALAPPDATA.
void PlantWindowsAppsTraces(const std::string& profile);
// The activity database a test holds open during the sweep, as the service holds it.
std::string ActivityDatabase(const std::string& profile);
// Traces left, canaries changed, and the lines the sweep owes (none checked without logs).
void CheckWindowsAppsTraces(const std::string& profile, const SweepEvidence& evidence, ProfileCheck& check);
// The settings bits that sweep them.
inline constexpr unsigned kWindowsAppsBits = 0x1C000;  // Notepad Session, Screen Clips, Activity History
inline constexpr unsigned kAppWebCachesBit = 0x80;
