#pragma once
#include <string_view>

// A file name against a pattern as Windows matches them when it lists a folder (FindFirstFile): the
// pattern's characters are read as the kernel's name expressions, "*" before a "." stopping at the
// name's last dot, "?" matching nothing at a dot or at the end, a "." before a wildcard or at the end
// also matching the end of a name. So "*.*" takes every name, with or without a dot, "*." the names
// without one, "*.doc" never "report.docx", and ';' or ',' are ordinary characters. Portable: the
// caller gives the comparison of two characters (without regard to case, as the system compares).
using SameCharacter = bool (*)(wchar_t a, wchar_t b);
bool WildcardMatch(std::wstring_view name, std::wstring_view pattern, SameCharacter same);
