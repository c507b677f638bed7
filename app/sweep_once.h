#pragma once

// The "once" form: sweeps the enabled categories on this thread (SweepController::SweepHere),
// without user interface; the log also goes to standard output when there is one. A tray instance
// that runs as well is only mentioned there: the sweep is this process's own. A preview writes the
// same lines and changes nothing. The totals end the log.
void SweepOnce(bool anotherInstanceRuns, bool preview);
