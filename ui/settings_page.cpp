#include "ui/settings_page.h"
#include <cstdio>
#include <cstdlib>
#include "cleaners/category_table.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "res/resource.h"
#include "settings/rules_choice.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/category_pages.h"
#include "ui/fixed_controls.h"
#include "ui/run_entry.h"
#include "ui/sweep_controller.h"
#include "ui/sweep_view.h"

namespace PeriodRules {
int HoursPart(uint32_t period) { return static_cast<int>(period / 3600 % 24); }
int MinutesPart(uint32_t period) { return static_cast<int>(period / 60 % 60); }

std::string TwoDigits(int value)
{
    char text[16];
    snprintf(text, sizeof text, "%02d", value);
    return text;
}

int SpunHours(int position, int delta)
{
    const int value = position + delta;
    return value < 0 ? 0 : value > 23 ? 23 : value;
}

int SpunMinutes(int position, int delta, int hours)
{
    const int value = position + delta;
    if (value <= 0) return hours == 0 ? 1 : 0;
    return value > 59 ? 59 : value;
}

std::optional<int> TypedPart(const std::string& text, int maximum)
{
    if (text.size() > 2) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > maximum) return std::nullopt;
    return value;
}

uint32_t Period(const std::string& hoursText, const std::string& minutesText)
{
    return static_cast<uint32_t>(atoi(hoursText.c_str()) * 3600 + atoi(minutesText.c_str()) * 60);
}
}  // namespace PeriodRules

namespace {
struct SettingsBox {
    int id;
    int SettingsPageMembers::*member;
};

const SettingsBox kSettingsBoxes[] = {
    {IDC_SET_WINDOWS, &SettingsPageMembers::windowsHistory},
    {IDC_SET_INTERNET, &SettingsPageMembers::internetHistory},
    {IDC_SET_APPLICATIONS, &SettingsPageMembers::applicationHistory},
    {IDC_SET_EVERY, &SettingsPageMembers::sweepEvery},
    {IDC_SET_SHUTDOWN, &SettingsPageMembers::sweepAtShutdown},
    {IDC_SET_STARTUP, &SettingsPageMembers::sweepAtStartup},
    {IDC_SET_AUTO_START, &SettingsPageMembers::autoStart},
    {IDC_SET_ALWAYS_SHOW, &SettingsPageMembers::alwaysShowProgress},
    {IDC_SET_SHOW_STARTUP, &SettingsPageMembers::showStartupWindow},
    {IDC_SET_DEEP_SWEEP, &SettingsPageMembers::deepSweep},
    {IDC_SET_BACKGROUND, &SettingsPageMembers::runningBackground},
    {IDC_SET_SHREDDER, &SettingsPageMembers::shredder},
};

std::string ItemText(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
}  // namespace

COmbrixPage::COmbrixPage()
    : CPropertyPage(IDD_SETTINGS_PAGE),
      m_hours{IDC_SET_HOURS, IDC_SET_HOURS_SPIN, 23, &SettingsPageMembers::hoursText},
      m_minutes{IDC_SET_MINUTES, IDC_SET_MINUTES_SPIN, 59, &SettingsPageMembers::minutesText}
{
    g_generalSettings.FillPage(m_members);
}

void COmbrixPage::DoDataExchange(CDataExchange& dx)
{
    for (const SettingsBox& box : kSettingsBoxes) DDX_Check(dx, box.id, m_members.*box.member);
}

BOOL COmbrixPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    ShowPeriod(m_members.sweepEvery == 1);
    CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    if (coordinator) {
        CGuardLock::Scope hold(coordinator->Lock());
        m_sweeping = SweepController::AllRunning() && coordinator->IsAnyWorkerRunning();
    }
    SetDlgItemTextA(m_hWnd, IDC_SET_SWEEP_NOW, m_sweeping ? "Cancel Sweep" : "Sweep Now");
    if (m_members.lastRun != 0)
        SetDlgItemTextA(m_hWnd, IDC_SET_LAST_SWEEP, LastSweepText(m_members.lastRun).c_str());
    CheckDlgButton(m_hWnd, IDC_SET_WEEKLY_RULES, LoadWeeklyRulesUpdate() ? BST_CHECKED : BST_UNCHECKED);
    ShowFixedControls();
    return TRUE;
}

// The boxes of each value the policy fixes: the general "Targets" holds the categories and options,
// "StTm" and "TmSn" the schedule, "NotShowLogo" the startup window, the rules' "UpdateWeekly" its box.
void COmbrixPage::ShowFixedControls()
{
    static constexpr int kTargets[] = {IDC_SET_WINDOWS,     IDC_SET_INTERNET,  IDC_SET_APPLICATIONS,
                                       IDC_SET_AUTO_START,  IDC_SET_ALWAYS_SHOW, IDC_SET_DEEP_SWEEP,
                                       IDC_SET_BACKGROUND,  IDC_SET_SHREDDER};
    static constexpr int kSweepAt[] = {IDC_SET_EVERY, IDC_SET_SHUTDOWN, IDC_SET_STARTUP};
    static constexpr int kPeriod[] = {IDC_SET_HOURS, IDC_SET_HOURS_SPIN, IDC_SET_MINUTES, IDC_SET_MINUTES_SPIN};
    static constexpr int kStartupWindow[] = {IDC_SET_SHOW_STARTUP};
    static constexpr int kWeeklyRules[] = {IDC_SET_WEEKLY_RULES};
    if (g_generalSettings.IsFixed("Targets")) ShowFixedByPolicy(m_hWnd, kTargets);
    if (g_generalSettings.IsFixed("StTm")) ShowFixedByPolicy(m_hWnd, kSweepAt);
    if (g_generalSettings.IsFixed("TmSn")) ShowFixedByPolicy(m_hWnd, kPeriod);
    if (g_generalSettings.IsFixed("NotShowLogo")) ShowFixedByPolicy(m_hWnd, kStartupWindow);
    if (WeeklyRulesUpdateFixed()) ShowFixedByPolicy(m_hWnd, kWeeklyRules);
}

bool COmbrixPage::OnApply()
{
    g_generalSettings.TakePage(m_members);
    if (m_scheduleChanged && View()) View()->Reschedule(m_members.sweepEvery == 1 ? m_members.periodSeconds : 0);
    m_scheduleChanged = false;
    // Stays set for the sheet's life: every later apply writes the entry again.
    if (m_autoStartChanged) UpdateRunEntry(GetCommandLineA());
    SaveWeeklyRulesUpdate(IsDlgButtonChecked(m_hWnd, IDC_SET_WEEKLY_RULES) == BST_CHECKED);
    return true;
}

void COmbrixPage::OnCancel() { g_generalSettings.FillPage(m_members); }

bool COmbrixPage::OnCommand(int id, int code, HWND)
{
    if (code == EN_CHANGE && (id == IDC_SET_HOURS || id == IDC_SET_MINUTES)) {
        OnEditChange(id == IDC_SET_HOURS ? m_hours : m_minutes);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_SET_EVERY:
    case IDC_SET_SHUTDOWN:
    case IDC_SET_STARTUP: OnScheduleBox(id); return true;
    case IDC_SET_AUTO_START:
        m_autoStartChanged = true;
        SetModified();
        return true;
    case IDC_SET_SWEEP_NOW: SweepNow(); return true;
    case IDC_SET_WEEKLY_RULES: SetModified(); return true;
    case IDC_SET_LOG:
        if (SweepView* view = View()) view->ShowLogSoon();
        return true;
    default:
        for (const SettingsBox& box : kSettingsBoxes)
            if (box.id == id) { SetModified(); return true; }
        return false;
    }
}

bool COmbrixPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    const int id = static_cast<int>(header.idFrom);
    if (id != IDC_SET_HOURS_SPIN && id != IDC_SET_MINUTES_SPIN) return false;
    result = 0;
    if (header.code == UDN_DELTAPOS)
        OnSpin(id == IDC_SET_HOURS_SPIN ? m_hours : m_minutes, reinterpret_cast<const NMUPDOWN&>(header));
    return true;
}

void COmbrixPage::SetBox(int id, int& member, int value)
{
    member = value;
    CheckDlgButton(m_hWnd, id, static_cast<UINT>(value));
}

// "Every ", "Shutdown" and "Startup" exclude one another.
void COmbrixPage::OnScheduleBox(int id)
{
    SetModified();
    if (id == IDC_SET_EVERY) {
        m_members.sweepEvery = IsDlgButtonChecked(m_hWnd, IDC_SET_EVERY) == BST_CHECKED ? 1 : 0;
        {
            // Written to the live settings at once; a later cancel does not undo it.
            CGuardLock::Scope hold(g_generalSettings.Lock());
            const uint32_t sweepAt = g_generalSettings.StTm;
            g_generalSettings.StTm = m_members.sweepEvery ? (sweepAt | SweepAtBit::Timer) : (sweepAt & ~SweepAtBit::Timer);
        }
        ShowPeriod(m_members.sweepEvery == 1);
        SetBox(IDC_SET_STARTUP, m_members.sweepAtStartup, 0);
        SetBox(IDC_SET_SHUTDOWN, m_members.sweepAtShutdown, 0);
    } else {
        SetBox(IDC_SET_EVERY, m_members.sweepEvery, 0);
        ShowPeriod(false);
        if (id == IDC_SET_SHUTDOWN)
            SetBox(IDC_SET_STARTUP, m_members.sweepAtStartup, 0);
        else
            SetBox(IDC_SET_SHUTDOWN, m_members.sweepAtShutdown, 0);
    }
    m_scheduleChanged = true;
}

void COmbrixPage::ShowPeriod(bool show)
{
    const int shown = show ? SW_SHOW : SW_HIDE;
    if (show) {
        m_filling = true;
        const int parts[2] = {PeriodRules::HoursPart(m_members.periodSeconds),
                              PeriodRules::MinutesPart(m_members.periodSeconds)};
        PeriodEdit* edits[2] = {&m_hours, &m_minutes};
        for (int i = 0; i < 2; ++i) {
            PeriodEdit& part = *edits[i];
            m_members.*part.text = PeriodRules::TwoDigits(parts[i]);
            SendDlgItemMessageA(m_hWnd, part.edit, EM_LIMITTEXT, 2, 0);
            SetDlgItemTextA(m_hWnd, part.edit, (m_members.*part.text).c_str());
            SendDlgItemMessageA(m_hWnd, part.spin, UDM_SETRANGE32, 0, part.maximum);
            SendDlgItemMessageA(m_hWnd, part.spin, UDM_SETPOS32, 0, parts[i]);
        }
        m_filling = false;
    }
    for (const int id : {IDC_SET_HOURS, IDC_SET_HOURS_SPIN, IDC_SET_MINUTES, IDC_SET_MINUTES_SPIN})
        ShowWindow(GetDlgItem(id), shown);
}

int COmbrixPage::CurrentPart(const PeriodEdit& part) const
{
    return &part == &m_hours ? PeriodRules::HoursPart(m_members.periodSeconds)
                             : PeriodRules::MinutesPart(m_members.periodSeconds);
}

// The edit's own change notification comes while the text is set; the flag says who set it.
void COmbrixPage::SetEditText(PeriodEdit& part, const std::string& text)
{
    SetDlgItemTextA(m_hWnd, part.edit, text.c_str());
    part.spinOrigin = part.suppress = false;
}

void COmbrixPage::OnSpin(PeriodEdit& part, const NMUPDOWN& spin)
{
    const int value = &part == &m_hours ? PeriodRules::SpunHours(spin.iPos, spin.iDelta)
                                        : PeriodRules::SpunMinutes(spin.iPos, spin.iDelta,
                                                                   atoi(m_members.hoursText.c_str()));
    if (value != atoi(ItemText(m_hWnd, part.edit).c_str()) || value == 0) {
        m_members.*part.text = PeriodRules::TwoDigits(value);
        part.spinOrigin = true;
        SetEditText(part, m_members.*part.text);
    }
    SetModified();
}

void COmbrixPage::OnEditChange(PeriodEdit& part)
{
    if (m_filling) return;
    m_scheduleChanged = true;
    if (part.suppress) {
        part.suppress = false;
        return;
    }
    if (part.spinOrigin) {
        part.spinOrigin = false;
        m_members.periodSeconds = PeriodRules::Period(m_members.hoursText, m_members.minutesText);
    } else if (const std::string typed = ItemText(m_hWnd, part.edit); const auto value = PeriodRules::TypedPart(typed, part.maximum)) {
        if (SendDlgItemMessageA(m_hWnd, part.spin, UDM_GETPOS32, 0, 0) != *value)
            SendDlgItemMessageA(m_hWnd, part.spin, UDM_SETPOS32, 0, *value);
        m_members.*part.text = typed;
        m_members.periodSeconds = PeriodRules::Period(m_members.hoursText, m_members.minutesText);
    } else {
        // Anything else is put back at once to the last valid value.
        part.suppress = true;
        SetEditText(part, PeriodRules::TwoDigits(CurrentPart(part)));
    }
    SetModified();
}

void COmbrixPage::SweepNow()
{
    if (m_sweeping) {
        SweepController::Stop(kSweepAll);
        return;
    }
    Collect(false);
}

bool COmbrixPage::SweepByTimer() { return !m_sweeping && Collect(true); }

bool COmbrixPage::Collect(bool byTimer)
{
    if (!CSweepCoordinator::Instance() || !m_hWnd || SweepController::PreviewRunning()) return false;  // a sweep waits for the preview
    if (!byTimer) LogTimedLine("\nStart Sweeping everything manually.", kStatusLogOnly);
    // Every page shown so far is applied, so the sweep reads the settings as they are on screen.
    SendMessageA(Sheet(), PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    const uint32_t targets = g_generalSettings.Targets;
    const bool started = SweepController::Start(EnabledCategoryRequests(), true);
    if (started) {
        // The category pages shown so far mark themselves (a page made later asks the coordinator).
        PropSheet_QuerySiblings(Sheet(), kMarkSweepingQuery, EnabledCategoryRequests());
        if (m_hWnd) SetDlgItemTextA(m_hWnd, IDC_SET_SWEEP_NOW, "Cancel Sweep");
        m_sweeping = true;
        if (!byTimer) SweepController::SetAllRunning(true);
    }
    if ((targets & GeneralBit::RunningBackground) && View()) View()->ClosePanel();
    return started;
}

void COmbrixPage::SweepEnded()
{
    m_sweeping = false;
    if (m_hWnd) SetDlgItemTextA(m_hWnd, IDC_SET_SWEEP_NOW, "Sweep Now");
}

void COmbrixPage::RefreshLastSweep()
{
    m_members.lastRun = g_generalSettings.LastRun();
    if (m_members.lastRun != 0 && m_hWnd)
        SetDlgItemTextA(m_hWnd, IDC_SET_LAST_SWEEP, LastSweepText(m_members.lastRun).c_str());
}
