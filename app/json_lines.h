#pragma once
#include <string>
#include "engine/sweep_events.h"

// The JSON Lines a scripted sweep writes: one object a line, UTF-8.

// A text as a JSON string, quotes included: quotes, backslashes and control characters escaped,
// and any byte that is not part of valid UTF-8 written as U+FFFD, so that no name can end the line,
// forge another object or make the line unreadable.
std::string JsonString(const std::string& text);
// An event as its object; in a preview the results say what would happen.
std::string EventJson(const SweepEvent& event, bool preview);
// The last object: the totals, what was left and what was refused.
std::string TotalJson(int items, double kb, const SweepOutcome& outcome);
