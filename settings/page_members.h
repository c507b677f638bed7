#pragma once
#include <cstdint>
#include <string>
#include "settings/settings_records.h"

// The members that the control-panel pages exchange with their settings groups: one integer per
// checkbox (1 = checked), named after what the checkbox stands for.

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
    int documentHistory = 0;          // 1007
    int recycleBin = 0;               // 1012
    int lastLogonUser = 0;            // 1013
    int temporaryFiles = 0;           // 1011
    int findHistory = 0;              // 1009
    int runHistory = 0;               // 1010
    int networkHistory = 0;           // 1057
    int32_t lastRun = 0;
    CustomLocationList customLocations;
    int listChanged = 0;
};

struct InternetPageMembers {          // "Sweep Internet", dialog 130
    int cookies = 0;                  // 1032
    int temporaryFiles = 0;           // 1034
    int history = 0;                  // 1031
    int passwords = 0;                // 1037
    int formData = 0;                 // 1039
    int msn = 0;                      // 1041
    int aol = 0;                      // 1040
    int googleBar = 0;                // 1042
    int yahooBar = 0;                 // 1044
    int firefox = 0;                  // 1104
    int chrome = 0;                   // 1105
    int32_t lastRun = 0;
};

struct ApplicationPageMembers {       // "Sweep Applications", dialog 129
    int excel = 0;                    // 1003
    int word = 0;                     // 1002
    int powerPoint = 0;               // 1004
    int access = 0;                   // 1006
    int acrobatReader = 0;            // 1008
    int realPlayer = 0;               // 1010
    int mediaPlayer = 0;              // 1009
    int32_t lastRun = 0;
};
