#pragma once

// Developer diagnostics: nothing in a release build, the debugger's output in a debug build.
void TraceMessage(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
