#include "cleaners/rules_update.h"
#include <windows.h>
#include "cleaners/community_rules.h"
#include "cleaners/rules_format.h"
#include "framework/file.h"
#include "settings/rules_choice.h"

namespace {

constexpr ULONGLONG kWeek = 7ull * 24 * 60 * 60 * 10000000;  // in FILETIME's 100 ns

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

RulesUpdate UpdateCommunityRules(const HttpProgress& progress)
{
    RulesUpdate update;
    update.source = LoadRulesSource();
    const std::string path = UserRulesPath();
    if (path.empty()) {
        update.error = "there is no APPDATA folder to keep the rules in";
        return update;
    }
    HttpDownload download = HttpGet(update.source, kLargestRulesFile, progress);
    if (!download.error.empty()) {
        update.error = download.error;
        return update;
    }
    const RulesFile parsed = ParseRules(download.body);
    update.error = RulesTextRefusal(download.body, parsed);
    if (!update.error.empty()) return update;
    update.rules = parsed.rules.size();
    update.version = parsed.version;
    DWORD error = 0;
    if (!FileSystem::MakeFolders(path.substr(0, path.find_last_of('\\'))) ||
        !FileSystem::ReplaceWhole(path, download.body, error)) {
        update.error = path + " could not be written (error " + std::to_string(error ? error : GetLastError()) + ")";
        return update;
    }
    RefreshCommunityRules();
    return update;
}

std::string RulesUpdateSummary(const RulesUpdate& update)
{
    return "Rules: " + std::to_string(update.rules) + " rule(s), " +
           (update.version.empty() ? "no version" : "version " + update.version) + ", from " + update.source + ".";
}

bool RulesUpdateDue()
{
    const std::string path = UserRulesPath();
    if (path.empty()) return false;
    CFileStatus status;
    if (!CFile::GetStatus(path, status)) return true;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now) > Ticks(status.m_mtime) + kWeek;
}
