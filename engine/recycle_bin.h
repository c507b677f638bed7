#pragma once
#include <cstdint>

struct RecycleBinContents {
    int64_t items = 0;
    int64_t bytes = 0;
};

// All drives' Recycle Bins; false when the shell cannot tell.
bool QueryAllRecycleBins(RecycleBinContents& contents);
// Empties them without confirmation, progress or sound; false on failure.
bool EmptyAllRecycleBins();
// Whether emptying them would be tried with success, asked without emptying.
bool RecycleBinsCanBeEmptied();
