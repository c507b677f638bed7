#pragma once
#include <string>
#include <vector>

// What makes this process unsafe for deletion tests: a drive letter that reaches "/" or a folder above
// the build folder, a link below C:\users, a process not started through the sandbox wrapper, or a host
// that can be written outside the build folder (no bubblewrap around it).
std::vector<std::string> SandboxViolations();

// The build folder as a Windows path to the Linux side (\\?\unix\...), for checks that look out.
std::string UnixBuildPath(const std::string& relative);
