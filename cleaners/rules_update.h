#pragma once
#include <string>
#include "framework/http_get.h"

// The community rules from their source (the address stored under the Rules key, by default the
// community project's published file), made the user's rules file.
struct RulesUpdate {
    std::string source;
    std::string error;  // why the user's file stays as it was; empty when it is now the downloaded one
    size_t rules = 0;   // the downloaded file's rules
    std::string version;  // its "; Version:" line; empty when it has none
};

// Downloads the file (untrusted: see HttpGet, at most kLargestRulesFile bytes) and, when it is UTF-8
// text holding a rule that may run, writes it over %APPDATA%\Ombrix\winapp2.ini in one step and reads
// the rules again; on any failure the file stays byte for byte. The ticked rules stay ticked under
// their names. Blocks: run it off the user-interface thread.
RulesUpdate UpdateCommunityRules(const HttpProgress& progress);
// What came, as scripts and the page say it: "Rules: N rule(s), version V, from URL."
std::string RulesUpdateSummary(const RulesUpdate& update);
// Whether a weekly update is due: the user's rules file is missing, or was written more than seven
// days ago.
bool RulesUpdateDue();
