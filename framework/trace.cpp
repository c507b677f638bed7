#include "framework/trace.h"
#include <windows.h>
#include <cstdarg>
#include <cstdio>

void TraceMessage([[maybe_unused]] const char* format, ...)
{
#ifdef OMBRIX_TRACE
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OutputDebugStringA(text);
#endif
}
