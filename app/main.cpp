#include <windows.h>
#include <cstdlib>
#include "app/command_line.h"
#include "app/sweep_once.h"
#include "settings/settings_groups.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    AppCommandLineInfo commandLine;
    commandLine.Parse(__argc, __argv);
    LoadAllSettings();
    if (commandLine.Has("once")) return RunSweepOnce();
    return 0;
}
