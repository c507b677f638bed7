#pragma once
#include <string>
#include <vector>

// A profile of hostile but ordinary names, filters and links, with canaries beside each, planted into
// the sandbox's registry and a folder of its own (root). Its temp variables name the Windows folder,
// the Users folder and the profile's own temp folder; its Recent folder is the user's Documents, or
// with the Shredder on a folder of its own that holds hostile jump lists. Its cookie databases in
// shapes no browser writes stay (tools/hostile_cookies.h): every sweep of it leaves something.
void PlantHostileProfile(const std::string& root, bool shredder, bool deepSweep);
// What a canary of the profile holds: its own path and enough bytes to be overwritten.
inline std::string HostileCanaryContent(const std::string& path) { return "canary of " + path + "\n" + std::string(3000, 'c'); }
// The environment a sweep of it runs with.
void SetHostileEnvironment(const std::string& root);
// A file inside the profile that a sweep finds in use.
std::string HostileLockedFile(const std::string& root);
// What is wrong after sweeps whose logs are given: a canary changed or lost, a trace left, a removal
// line naming something still there and not scheduled, a refusal not logged.
std::vector<std::string> CheckHostileProfile(const std::string& root, const std::vector<std::string>& logs,
                                             bool deepSweep);
// Removes the profile, its recycled link and the reboot entries, from the Linux side.
void RemoveHostileProfile(const std::string& root);
