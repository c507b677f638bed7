#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Runs programs at the same time, each with its standard output on a pipe of its own, and returns
// what each wrote once all have ended (or two minutes have passed).
std::vector<std::string> RunAllCapturing(const std::vector<std::string>& commands, std::vector<DWORD>& exitCodes);
std::string RunCapturing(const std::string& command, DWORD* exitCode);
// One program, with `seen` called with all it wrote so far each time more arrives while it runs.
std::string RunWatching(const std::string& command, DWORD* exitCode, const std::function<void(const std::string&)>& seen);
