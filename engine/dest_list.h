#pragma once
#include <cstdint>
#include <span>

// What a jump list's "DestList" stream says of pins.
enum class DestListPins { None, Pinned, Unreadable };

// Reads the stream: a 32-byte header (format version, entries, pinned entries, ...), then one entry
// per item, each with its pin status (-1 when not pinned) at the same place; from version 2 on an
// entry carries 16 more bytes before its path and 4 after it.
DestListPins ReadDestListPins(std::span<const uint8_t> stream);

// What an automatic jump list's bytes say of pins: a compound file whose root holds the "DestList"
// stream. Unreadable when they are no such file, it is damaged, or the stream is.
DestListPins ReadJumpListPins(std::span<const uint8_t> file);
