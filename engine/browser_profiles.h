#pragma once
#include <optional>
#include <string>
#include <vector>

// Where the browsers list their profiles, read strictly: the text comes from a file any program of
// the user may have written.

// The profile folder names of a Chromium "Local State" (the member names of profile.info_cache), or
// nothing when the text is not a JSON object that has them. Names that are not one plain folder name
// ("..", a path, a drive) are left out with a trace.
std::optional<std::vector<std::string>> LocalStateProfiles(const std::string& json);

// A profile that a Firefox "profiles.ini" names: its Path, and whether that is relative to the file's
// folder (IsRelative=1). Sections without a Path are left out; at most `kMaxIniProfiles` are read.
struct IniProfile {
    std::string path;
    bool relative;
};
inline constexpr size_t kMaxIniProfiles = 64;
std::vector<IniProfile> ProfilesIniProfiles(const std::string& text);

// Whether a name is one plain folder name: not empty, no separator, colon or wildcard, not made of
// dots and blanks.
bool IsPlainFolderName(const std::string& name);
