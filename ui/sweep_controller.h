#pragma once
#include <cstdint>
#include <functional>

struct CategoryRow;

// The one place where a sweep starts, is stopped or previewed: the tray, the pages, the timer and
// the start-up sweep call it, so that they share one policy for the log and the tray icon.
namespace SweepController {
// Starts the workers of the requested categories (one wake-up). The log is shown when the settings
// always show it and the sweep does not run in the background, and `showLog` allows it; the progress
// is reset when no worker runs; the tray icon turns. False when nothing starts: no coordinator,
// nothing requested, or a preview running (a sweep waits until it has ended).
bool Start(uint32_t requests, bool showLog);
// The ticked community rules of the requested categories alone, on their workers ("Sweep More"); a
// category whose worker runs already is left out. The request bits it started; 0 when nothing starts.
uint32_t StartRules(uint32_t requests);
// The enabled (or chosen) categories one after another on this thread, in the table's order, for the closing
// sweep and `once`: no worker, no worker message, no stamp. `lines` writes a category's own lines
// before (true) and after (false) it.
void SweepHere(const std::function<void(const CategoryRow&, bool before)>& lines = {});
// Asks the workers of those categories (or all, kSweepAll) to stop; they end at their next entry.
void Stop(uint32_t bits);
// The enabled categories on the workers with actions that change nothing, the log shown.
bool Preview();
// A preview runs: no sweep starts meanwhile.
bool PreviewRunning();
// The preview's actions go (the real ones are back), and with them its run of every category.
void EndPreview();
// A sweep of every enabled category runs (from the tray, the Settings page or the timer), until its
// last worker has reported.
bool AllRunning();
void SetAllRunning(bool running);
}  // namespace SweepController
