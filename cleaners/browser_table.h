#pragma once
#include <cstdint>
#include <span>

// The browsers, as data: a new browser is one row. Each is found below the user's local application
// data (the Chromium family's "User Data") or roaming application data (Opera's profile, the Firefox
// family's root with its "Profiles"); the same relative path below the other one holds its caches.
enum class BrowserFamily { Chromium, Opera, Firefox };

struct BrowserRow {
    const char* name;     // as the log names it
    const char* process;  // its process's image name
    uint32_t bit;         // the Internet box that sweeps it
    BrowserFamily family;
    const char* root;
};

std::span<const BrowserRow> Browsers();
