#pragma once
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

// The general options the engine reads on every call, without the group's lock.
inline bool DeepSweepOn() { return g_generalSettings.Targets & GeneralBit::DeepSweep; }
inline bool ShredderOn() { return g_generalSettings.Targets & GeneralBit::Shredder; }
