#pragma once
#include <string>
#include <vector>
#include "tools/windows_today_traces.h"

// A realistic profile of Windows traces, with canaries that a sweep must leave alone, planted into
// the sandbox's registry and a folder of its own (root). TEMP and TMP are to point at root\Temp, and
// TMPDIR at the drive root (a hostile value) when the sweep runs.
void PlantTraceProfile(const std::string& root);
// What is wrong after a sweep: traces still there, canaries touched. Empty when all is well.
std::vector<std::string> CheckTraceProfile(const std::string& root, const SweepEvidence& evidence = {});
// The environment a sweep of the profile runs with.
void SetProfileEnvironment(const std::string& root);
