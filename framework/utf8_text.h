#pragma once
#include <cstddef>
#include <string_view>

// The length of the valid UTF-8 sequence that starts at `at`, or 0 when none does (a stray
// continuation byte, a cut sequence, an overlong form or a surrogate). Portable, for the writers of
// text that must be UTF-8 whatever bytes a name or a value held.
inline size_t Utf8Length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    if ((length == 2 && lead < 0xC2) || (length == 3 && lead == 0xE0 && byte(at + 1) < 0xA0) ||
        (length == 3 && lead == 0xED && byte(at + 1) >= 0xA0) || (length == 4 && lead == 0xF0 && byte(at + 1) < 0x90) ||
        (length == 4 && (lead > 0xF4 || (lead == 0xF4 && byte(at + 1) >= 0x90))))
        return 0;
    return length;
}

// Whether the whole text is valid UTF-8.
inline bool IsUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8Length(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}
