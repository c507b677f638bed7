#pragma once

class CSweepCoordinator;

// The "once" form: sweeps the enabled categories on this thread with the coordinator, without user
// interface; the log also goes to standard output when there is one.
void SweepOnce(CSweepCoordinator* coordinator);
