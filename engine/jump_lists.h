#pragma once
#include <cstdint>
#include <span>
#include "engine/walk_entry.h"

// What a jump list's "DestList" stream says of pins.
enum class DestListPins { None, Pinned, Unreadable };

// Reads the stream: a 32-byte header (format version, entries, pinned entries, ...), then one entry
// per item, each with its pin status (-1 when not pinned) at the same place; from version 2 on an
// entry carries 16 more bytes before its path and 4 after it.
DestListPins ReadDestListPins(std::span<const uint8_t> stream);

// Whether an automatic jump list records a pinned item, read from the file the walk admitted (a
// handle opened beside it must reach the same file). A file that cannot be read at all stays: its
// pins cannot be ruled out; a file that is read but is no jump list has none.
bool JumpListHoldsPins(const WalkEntry& file);
