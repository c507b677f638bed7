#include "app/script_commands.h"
#include "cleaners/rules_update.h"
#include "framework/console_output.h"
#include "cleaners/windows_cleaners.h"
#include "settings/settings_groups.h"

std::string UsageText()
{
    return "Ombrix: removes the traces of a user's activity.\r\n"
           "\r\n"
           "Ombrix.exe                 starts in the tray\r\n"
           "Ombrix.exe /once           sweeps what the stored settings enable, without a window\r\n"
           "  /preview                 with /once: lists what would go and changes nothing\r\n"
           "  /only:ID[,ID...]         with /once: sweeps just those items (see /list); the stored\r\n"
           "                           settings stay and no last-sweep time is stamped\r\n"
           "  /json                    with /once: writes JSON Lines (UTF-8) instead of the text log\r\n"
           "Ombrix.exe /list           prints every item: id, category, name, on|off (tab-separated)\r\n"
           "Ombrix.exe /update-rules   downloads the community rules (winapp2.ini) into %APPDATA%\\Ombrix;\r\n"
           "                           0 when the file is now the downloaded one, 3 when it stayed as it was\r\n"
           "Ombrix.exe /? or /help     prints this\r\n"
           "Switches may start with / or -.\r\n"
           "\r\n"
           "Exit codes: 0 swept, nothing it set out to remove was left (left for the restart counts\r\n"
           "as done); 3 swept, something stayed; 2 bad command line, nothing swept; 1 could not start.\r\n"
           "A preview ends with 0 or 3 by what the sweep would leave.\r\n"
           "\r\n"
           "Example: Ombrix.exe /once /only:windows.temp,internet.cache /json > sweep.jsonl\r\n";
}

std::string ItemListText()
{
    std::string text;
    for (const CategoryRow& row : CategoryRows()) {
        const bool categoryOn = g_generalSettings.Targets & row.generalBit;
        for (const CategoryItem& item : row.items) {
            if (!item.id) continue;
            // Custom locations are swept whenever Windows is, unless the policy stops them.
            const bool stopped = item.cleaner == CleanCustomLocations && !g_windowsSettings.CustomLocationsAllowed();
            const bool on = categoryOn && !stopped && (item.bit == kAlwaysRuns || (row.group.Targets & item.bit));
            text += std::string(item.id) + "\t" + row.id + "\t" + item.name + "\t" + (on ? "on" : "off") + "\r\n";
        }
    }
    return text;
}

std::optional<ItemSelection> ParseItemIds(const std::string& ids, std::string& error)
{
    ItemSelection selection{};
    size_t start = 0;
    do {
        const size_t comma = ids.find(',', start);
        const std::string id = ids.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<ItemPlace> place = FindItem(id);
        if (!place) {
            error = id.empty() ? "/only names no item" : "/only names an unknown item: " + id + " (see /list)";
            return std::nullopt;
        }
        selection[static_cast<size_t>(place->category->index)] |= uint64_t{1} << place->position;
        start = comma == std::string::npos ? std::string::npos : comma + 1;
    } while (start != std::string::npos);
    return selection;
}

int UpdateRulesCommand(const AppCommandLineInfo& commandLine)
{
    const std::string other = commandLine.FirstOtherThan({"update-rules"});
    if (!other.empty() || commandLine.Value("update-rules") != "TRUE") {
        WriteStandardError("Ombrix: /update-rules takes no other switch or value (see /?); the rules were not updated.\r\n");
        return ExitCode::kBadCommandLine;
    }
    const RulesUpdate update = UpdateCommunityRules(nullptr);
    if (!update.error.empty()) {
        WriteStandardError("Ombrix: the rules were not updated from " + update.source + ": " + update.error + ".\r\n");
        return ExitCode::kSomethingLeft;
    }
    WriteStandardOutput(RulesUpdateSummary(update) + "\r\n");
    return ExitCode::kDone;
}
