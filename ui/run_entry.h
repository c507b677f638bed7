#pragma once
#include <string>

// The per-user Run entry "Ombrix.exe" that starts the program at logon, kept in line with the
// general "Auto Start with Windows" option as it is after an apply.
void UpdateRunEntry(const char* commandLine);
// The command line with the program's path quoted: unquoted, a path with spaces (C:\Program
// Files\...) would start a program named C:\Program.
std::string QuotedCommandLine(const std::string& commandLine, const std::string& modulePath);
