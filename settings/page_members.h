#pragma once
#include <cstdint>
#include <string>
#include "settings/settings_records.h"

// The members that the control-panel pages exchange with their settings groups. The Settings page
// has one integer per checkbox (1 = checked); a category page exchanges its group's item bits whole.

struct SettingsPageMembers {          // "Settings", dialog 132
    int windowsHistory = 0;           // 1019
    int internetHistory = 0;          // 1020
    int applicationHistory = 0;       // 1021
    int autoStart = 0;                // 1049
    int alwaysShowProgress = 0;       // 1050
    int deepSweep = 0;                // 1094
    int runningBackground = 0;        // 1101
    int shredder = 0;                 // 1102
    int sweepEvery = 0;               // 1024
    int sweepAtShutdown = 0;          // 1028
    int sweepAtStartup = 0;           // 1030
    int showStartupWindow = 0;        // 1084
    std::string hoursText;            // 1025
    std::string minutesText;          // 1033
    uint32_t periodSeconds = 0;
    int32_t lastRun = 0;
};

struct WindowsPageMembers {           // "Sweep Windows", dialog 131
    uint32_t targets = 0;             // the group's items; the page's boxes edit their bits
    int32_t lastRun = 0;
    CustomLocationList customLocations;
    int listChanged = 0;
};

struct InternetPageMembers {          // "Sweep Internet", dialog 130
    uint32_t targets = 0;
    int32_t lastRun = 0;
};

struct ApplicationPageMembers {       // "Sweep Applications", dialog 129
    uint32_t targets = 0;
    int32_t lastRun = 0;
};
