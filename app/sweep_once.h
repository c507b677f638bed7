#pragma once
#include <optional>
#include "cleaners/category_table.h"

// The "once" form: sweeps the enabled categories on this thread (SweepController::SweepHere),
// without user interface; the log also goes to standard output when there is one. A tray instance
// that runs as well is only mentioned there: the sweep is this process's own. A preview writes the
// same lines and changes nothing. The totals end the log.
struct OnceRequest {
    bool preview;
    bool json;                           // JSON Lines instead of the text log
    std::optional<ItemSelection> only;  // the items chosen on the command line
};
// Returns the exit code: whether something it set out to remove stayed.
int SweepOnce(bool anotherInstanceRuns, const OnceRequest& request);
