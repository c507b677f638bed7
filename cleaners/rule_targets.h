#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include "cleaners/rules_format.h"
#include "cleaners/tree_presence.h"
#include "engine/profile_walk.h"

// What a community rule's texts name on this machine, never trusted: environment references from a
// fixed table only, folders reached step by step through the engine's walks.

// A rule's path with its references expanded (%AppData%, %LocalAppData%, %UserProfile%, %ProgramFiles%,
// %CommonAppData%, %WinDir%, %SystemDrive%, %Documents%, ...); none when one is unknown or empty, or
// when it is not a drive's path ("C:" is the drive's own folder, "C:\\").
std::optional<std::string> ExpandRulePath(const std::string& path);
// Whether every reference of a path is one of those, whatever this machine gives them.
bool KnownReferences(const std::string& path);
// Visits the folders a rule's expanded path names, one at a time: each '*' or '?' step matched against the folders there,
// every step reached without a link. The path must lie below a drive; a folder directly in it is
// reached from the drive's own folder, which is never walked.
void ForEachRuleFolder(const std::string& expanded, const std::function<void(ReachedEntry&)>& visit);
// A wildcard right below a drive ("C:\\*") would take every folder of the drive that is not kept: the
// programs', the user's own folders there. A rule names its folder there by its name. The words of the
// refusal of such an expanded folder; empty for any other.
std::string WildcardBelowDrive(const std::string& expanded);
// What a FileKey would not take here, as the words of its "Refused:" line ("C:\\Windows is the
// Windows folder"), or why it names nothing; empty when its folder may be swept. Decided from its
// text and the kept folders alone, before any walk: what a walk meets (a link, a kept folder a '*'
// step reaches) is refused when it is met.
std::string FileKeyRefusal(const RuleFileKey& key);

// What detection finds of a rule's DetectFiles: each folder on their way listed once, each reference
// looked up once, so that the thousands of a community file cost a listing of the folders they name
// (under Wine, asking for a name that is not there reads the whole folder anyway). A DetectFile is a
// file or folder with a wildcard in its last part only; %ProgramFiles% and %CommonProgramFiles% in it
// name both the 64-bit and the 32-bit folder, as the files are written for 64-bit Windows. Only read,
// so a link is followed as the program itself would follow it. For one detection, not kept: the
// machine changes.
class FilePresence {
public:
    FilePresence();
    bool Exists(const std::string& detectFile);

private:
    std::optional<std::string> Expand(const std::string& path, bool x86);
    bool PathExists(const std::string& expanded);

    std::map<std::string, std::optional<std::string>> m_references;  // "name" or "name|x86"
    TreePresence m_tree;  // below "", its first steps the drives
};
