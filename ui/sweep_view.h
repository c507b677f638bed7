#pragma once
#include <cstdint>

// What sweeps need of the program's windows. The main window provides it; the controller, the
// control panel and its pages use it, so that none of them reaches into the main window.
class SweepView {
public:
    virtual ~SweepView() = default;
    // The progress window shown now, beside the control panel when `besidePanel`.
    virtual void ShowLog(bool besidePanel) = 0;
    // The same once the caller's message has been handled (a button's log).
    virtual void ShowLogSoon() = 0;
    virtual void StartAnimation() = 0;
    // The sweep timer set again for a new schedule: every `periodSeconds`, or none when 0.
    virtual void Reschedule(uint32_t periodSeconds) = 0;
    // Ends the control panel (a sweep that runs in the background), its pages not applied again.
    virtual void ClosePanel() = 0;
};

// The view in force; null before the main window exists and after it is gone.
SweepView* View();
void SetView(SweepView* view);
