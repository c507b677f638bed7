#pragma once
#include <optional>
#include <string>
#include <vector>
#include "engine/profile_walk.h"

// What a community rule's texts name on this machine, never trusted: environment references from a
// fixed table only, folders reached step by step through the engine's walks.

struct RuleKeyPath {
    bool machine;      // HKLM, else HKCU
    std::string path;  // below the root
};
// "HKCU\..." or "HKEY_LOCAL_MACHINE\..."; none for another root.
std::optional<RuleKeyPath> ParseRuleKey(const std::string& text);
// A rule's path with its references expanded (%AppData%, %LocalAppData%, %UserProfile%, %ProgramFiles%,
// %CommonAppData%, %WinDir%, %SystemDrive%, %Documents%, ...); none when one is unknown or empty.
std::optional<std::string> ExpandRulePath(const std::string& path);
// The folders a rule's expanded path names: each '*' or '?' step matched against the folders there,
// every step reached without a link. The path must lie below a folder of a drive.
std::vector<ReachedEntry> RuleFolders(const std::string& expanded);
// A DetectFile: a file or folder, with a wildcard in its last part only.
bool RuleFileExists(const std::string& path);
