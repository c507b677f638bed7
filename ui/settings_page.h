#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include "framework/property_sheet.h"
#include "settings/page_members.h"

// The timer period's editing rules. The edits show the hours (period / 3600 mod 24) and minutes
// (period / 60 mod 60); seconds and whole days are dropped when the period is rebuilt.
namespace PeriodRules {
int HoursPart(uint32_t period);
int MinutesPart(uint32_t period);
std::string TwoDigits(int value);
int SpunHours(int position, int delta);
// The up-down control never brings the period to 0: below 1 with 0 hours gives 1 minute.
int SpunMinutes(int position, int delta, int hours);
// A text of digits only (empty is 0) within 0..maximum, or nothing.
std::optional<int> TypedPart(const std::string& text, int maximum);
uint32_t Period(const std::string& hoursText, const std::string& minutesText);
}  // namespace PeriodRules

// "Settings": the sweep targets, the schedule, the options, and "Sweep Now".
class COmbrixPage : public CPropertyPage {
public:
    COmbrixPage();

    // "Sweep Now" or its cancel; the tray's "Sweep Now" and "Cancel Sweeping" take it while the sheet
    // is open. The timer's variant writes no start line, leaves sweepAllRunning and the animation to the
    // tick and tells whether a sweep was requested.
    void SweepNow();
    bool SweepByTimer();
    void SweepEnded();
    void RefreshLastSweep();

    SettingsPageMembers m_members;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    bool OnApply() override;
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    struct PeriodEdit {
        int edit;
        int spin;
        int maximum;
        std::string SettingsPageMembers::*text;
        bool spinOrigin = false;
        bool suppress = false;
    };

    bool Collect(bool byTimer);
    void ShowPeriod(bool show);
    void ShowFixedControls();
    void OnScheduleBox(int id);
    void OnSpin(PeriodEdit& part, const NMUPDOWN& spin);
    void OnEditChange(PeriodEdit& part);
    void SetEditText(PeriodEdit& part, const std::string& text);
    int CurrentPart(const PeriodEdit& part) const;
    void SetBox(int id, int& member, int value);

    bool m_sweeping = false;
    bool m_scheduleChanged = false;
    bool m_autoStartChanged = false;
    bool m_filling = false;  // the page writes the edits itself: not the user's change
    PeriodEdit m_hours;
    PeriodEdit m_minutes;
};
