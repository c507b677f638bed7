#include "settings/settings_records.h"
#include <cstdio>
#include <cstring>
#include <ctime>
#include <shlwapi.h>

std::string CustomLocation::DisplayText() const
{
    return SubInc ? Dir + ": " + Flt + ": including subdirectories" : Dir + ": " + Flt;
}

std::string ListSubKeyName(const char* prefix, size_t index)
{
    return std::string(prefix) + "." + std::to_string(index);
}

bool IsListSubKey(const std::string& name, const char* prefix)
{
    return StrCmpNIA(name.c_str(), prefix, static_cast<int>(strlen(prefix))) == 0;
}

std::string LastSweepText(int32_t lastRun)
{
    if (lastRun == 0) return {};
    const time_t when = lastRun;
    struct tm local{};
    if (localtime_s(&local, &when) != 0) return {};
    char text[96];
    strftime(text, sizeof text, "Last Sweeping Time: %H:%M - %b %d %Y", &local);
    return text;
}
