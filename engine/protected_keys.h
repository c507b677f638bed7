#pragma once
#include <string>

// Why a registry key a community rule names may not be deleted or trusted for detection, or null:
// a hive root, the Software and System roots, Microsoft's and Windows' own keys, the classes and
// policies, the keys that start programs (Run, RunOnce), the user's choices of programs for file
// types. `path` is below HKCU or HKLM ("Software\\Tool"); Wow6432Node steps count as absent.
const char* ProtectedKeyReason(bool machine, const std::string& path);
