#pragma once
#include <string>

struct ProfileCheck;

// Office 8.0 to 16.0, Acrobat Reader 4.0 to DC, Media Player, RealPlayer and RealOne traces, with
// canaries beside them: near-miss names, other settings, versions no table names.
void PlantApplicationTraces(const std::string& root);
void CheckApplicationTraces(const std::string& root, ProfileCheck& check);
