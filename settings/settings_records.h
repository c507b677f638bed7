#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One custom sweeping location, as the Windows settings keep it and the dialogs edit it.
struct CustomLocation {
    std::string Dir;
    std::string Flt;
    int32_t SubInc = 0;
    std::string keyName;  // CusDir.<n> after loading; the full key path after saving

    std::string DisplayText() const;
};

// A cookie that Internet sweeps keep: its URL-cache entry name (may be empty) and its file.
struct FriendlyCookie {
    std::string Url;
    std::string Fl;
};

using CustomLocationList = std::vector<CustomLocation>;
using FriendlyCookieList = std::vector<FriendlyCookie>;

// Names of the list subkeys: "CusDir.0", "Cookie.3", ...
std::string ListSubKeyName(const char* prefix, size_t index);
// True when a subkey name begins with the list prefix, ignoring case.
bool IsListSubKey(const std::string& name, const char* prefix);
// "Last Sweeping Time: %H:%M - %b %d %Y" in local time; empty for 0 (never swept).
std::string LastSweepText(int32_t lastRun);
