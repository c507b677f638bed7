#pragma once
#include <string>
#include <vector>

// Windows 11's apps in the hostile profile. Notepad: a saved tab whose option file is damaged, tabs
// no reader may trust (an edit with a wrong CRC32, a length past the file, a varint of eleven bytes),
// a folder and a link named like tabs, a tab's bytes under another name and a GUID in capitals.
// Web views: a folder link and an EBWebView link to caches outside, an EBWebView one level deeper
// than the search goes and one at its bound, one inside another, one below a package's LocalCache
// past six levels from the top, a package cache that is a link, and the cookies beside them.
void PlantHostileWindowsApps(const std::string& root);
// The traces gone, the rest byte for byte, the links in place, and the damaged files' lines.
void CheckHostileWindowsApps(const std::string& root, const std::vector<std::string>& logs,
                             std::vector<std::string>& problems);
