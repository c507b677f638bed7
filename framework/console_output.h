#pragma once
#include <string>

// Text for whoever started the program from a script or a console: written whole to standard output
// or standard error when the program has one (a console, a pipe or a file); nothing otherwise.
void WriteStandardOutput(const std::string& text);
void WriteStandardError(const std::string& text);
