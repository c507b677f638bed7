#include <atomic>
#include "cleaners/application_cleaners.h"
#include "cleaners/internet_cleaners.h"
#include "cleaners/windows_cleaners.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/sweep_stop.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "cleaners/category_table.h"

namespace {

using Cleaner = void (*)(int*, float*);

inline constexpr int kNoProgress = -1;
inline constexpr uint32_t kAlways = 0;

// One step of a category's run: move the bar, test the stop bits, run the cleaner if its bit is set.
// A null cleaner is one that does nothing (yet).
struct WorkerStep {
    int percent;
    bool check;
    uint32_t bit;
    Cleaner cleaner;
};

struct CategoryPlan {
    int bar;
    int status;
    uint32_t stopBit;
    const std::atomic<uint32_t>& targets;
    const WorkerStep* steps;
    size_t count;
};

const WorkerStep kWindowsSteps[] = {
    {5, true, WindowsBit::RecycleBin, CleanRecycleBin},
    {20, true, WindowsBit::Documents, CleanDocumentHistory},
    {40, true, WindowsBit::Find, CleanFindHistory},
    {60, true, WindowsBit::Run, CleanRunHistory},
    {70, true, WindowsBit::Network, CleanNetworkHistory},
    {85, true, WindowsBit::TemporaryFiles, CleanTemporaryFiles},
    {95, true, WindowsBit::LastLogonUser, CleanLastLogonUser},
    {100, true, kAlways, CleanCustomLocations},
};

const WorkerStep kApplicationsSteps[] = {
    {20, true, ApplicationsBit::Word, CleanWord},
    {40, true, ApplicationsBit::Excel, CleanExcel},
    {60, true, ApplicationsBit::Access, CleanAccess},
    {80, true, ApplicationsBit::PowerPoint, CleanPowerPoint},
    {kNoProgress, true, kAlways, CleanOtherApplications},  // it moves the bar itself
};

const WorkerStep kInternetSteps[] = {
    {20, true, InternetBit::TemporaryFiles, CleanTemporaryInternetFiles},
    {40, true, InternetBit::Cookies, CleanCookies},
    {60, true, InternetBit::History, CleanInternetHistory},
    {70, true, InternetBit::Passwords, CleanAutoCompletePasswords},
    {80, true, InternetBit::FormData, CleanAutoCompleteForms},
    {90, true, InternetBit::Msn, CleanMsnToolbar},
    {kNoProgress, false, InternetBit::GoogleBar, CleanGoogleToolbar},
    {kNoProgress, false, InternetBit::YahooBar, nullptr},  // the bit is kept, and selects nothing
    {kNoProgress, false, InternetBit::Firefox, CleanFirefoxOld},
    {kNoProgress, false, InternetBit::Firefox, CleanFirefox},
    {kNoProgress, false, InternetBit::Chrome, CleanChrome},
    {100, true, InternetBit::Aol, CleanAol},
};

bool StopRequested(const CSweepCoordinator* coordinator, uint32_t stopBit)
{
    return coordinator && (coordinator->IsStopRequested(stopBit) || coordinator->IsStopRequested(kSweepAll));
}

UINT RunCategory(void* argument, const CategoryPlan& plan)
{
    auto* coordinator = static_cast<CSweepCoordinator*>(argument);
    int items = 0;
    float kb = 0.0f;
    SetSweepProgress(plan.bar, 0);
    // Stopped at a check, or inside a cleaner's walk: no totals and no final line; the bar stays.
    const SweepStopListener listener([&] { return StopRequested(coordinator, plan.stopBit); });
    try {
        for (size_t i = 0; i < plan.count; ++i) {
            const WorkerStep& step = plan.steps[i];
            if (step.percent != kNoProgress) SetSweepProgress(plan.bar, static_cast<unsigned>(step.percent));
            if (step.check && StopRequested(coordinator, plan.stopBit)) return 0;
            if (step.cleaner && (step.bit == kAlways || (plan.targets & step.bit)))
                step.cleaner(&items, &kb);
        }
    } catch (const SweepStopped&) {
        return 0;
    }
    AddSweepTotals(items, kb);
    ShowSweepTotals();
    if (items == 0) LogLine(kFinishedLine, plan.status);
    return 0;
}

}  // namespace

UINT SweepWindows(void* coordinator)
{
    return RunCategory(coordinator, {kBarWindows, kStatusWindows, kSweepWindows, g_windowsSettings.Targets,
                                     kWindowsSteps, std::size(kWindowsSteps)});
}

UINT SweepApplications(void* coordinator)
{
    return RunCategory(coordinator, {kBarApplications, kStatusApplications, kSweepApplications,
                                     g_applicationsSettings.Targets, kApplicationsSteps, std::size(kApplicationsSteps)});
}

UINT SweepInternet(void* coordinator)
{
    return RunCategory(coordinator, {kBarInternet, kStatusInternet, kSweepInternet, g_internetSettings.Targets,
                                     kInternetSteps, std::size(kInternetSteps)});
}
