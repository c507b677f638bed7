#pragma once
#include <algorithm>
#include <string>
#include <string_view>

// Case folding of the ASCII letters only, for names and keywords that are ASCII by definition (host
// names, the rules format's keys, the registry's own key names): the same on every code page and
// locale, and portable, so that plain-data code can use it.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string AsciiLowered(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    return lower;
}

inline bool SameAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}
