#include <windows.h>
#include <cstdlib>
#include "app/ombrix_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    OmbrixApp app(__argc, __argv);
    return app.Run();
}
