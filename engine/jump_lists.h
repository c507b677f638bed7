#pragma once
#include "engine/dest_list.h"
#include "engine/walk_entry.h"

// What an automatic jump list records of pins, read from the file the walk admitted (a handle opened
// beside it must reach the same file). Unreadable when the file cannot be read whole or is no jump
// list Ombrix can read: its pins cannot be ruled out.
DestListPins JumpListPins(const WalkEntry& file);
