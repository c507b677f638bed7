#include <windows.h>
#include "settings/settings_groups.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LoadAllSettings();
    return 0;
}
