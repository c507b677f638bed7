#pragma once
#include <string>

struct ProfileCheck;

// Internet Explorer traces made through the real WinINet API (content entries with files, cookies,
// friendly ones among them, Visited: entries), TypedURLs, IntelliForms, the Protected Storage keys,
// cookie and cache files in the folders the shell folders name, with canaries beside them.
void PlantInternetExplorerTraces(const std::string& root);
// The saved passwords (IntelliForms) are traces when the sweep took them, else canaries.
void CheckInternetExplorerTraces(const std::string& root, bool passwordsSwept, ProfileCheck& check);
