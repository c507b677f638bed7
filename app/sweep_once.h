#pragma once

// The "once" form: sweeps the enabled categories on this thread, without user interface, and ends.
int RunSweepOnce();
