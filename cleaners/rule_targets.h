#pragma once
#include <optional>
#include <string>
#include <vector>
#include "cleaners/rules_format.h"
#include "engine/profile_walk.h"

// What a community rule's texts name on this machine, never trusted: environment references from a
// fixed table only, folders reached step by step through the engine's walks.

// A rule's path with its references expanded (%AppData%, %LocalAppData%, %UserProfile%, %ProgramFiles%,
// %CommonAppData%, %WinDir%, %SystemDrive%, %Documents%, ...); none when one is unknown or empty, or
// when it is not a drive's path ("C:" is the drive's own folder, "C:\\").
std::optional<std::string> ExpandRulePath(const std::string& path);
// Whether every reference of a path is one of those, whatever this machine gives them.
bool KnownReferences(const std::string& path);
// The folders a rule's expanded path names: each '*' or '?' step matched against the folders there,
// every step reached without a link. The path must lie below a drive; a folder directly in it is
// reached from the drive's own folder, which is never walked.
std::vector<ReachedEntry> RuleFolders(const std::string& expanded);
// A DetectFile: a file or folder, with a wildcard in its last part only.
bool RuleFileExists(const std::string& path);
