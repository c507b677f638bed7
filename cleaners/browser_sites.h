#pragma once
#include <string>
#include <vector>

// A site that holds cookies in the browsers' databases, and the browsers (by their log names) that
// hold them.
struct SiteCookies {
    std::string host;  // lower case, without a domain cookie's leading dot
    std::vector<std::string> browsers;
};

// Every site of every cookie database of every browser's profiles that can be read without changing
// it, sorted by host. A database a running browser holds may be read as it last lay on the disk.
std::vector<SiteCookies> BrowserCookieSites();
