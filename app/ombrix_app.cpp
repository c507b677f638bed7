#include "app/ombrix_app.h"
#include "framework/trace.h"
#include "app/command_line.h"
#include "app/script_commands.h"
#include "app/sweep_once.h"
#include "framework/console_output.h"
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/system_kind.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/main_window.h"
#include "ui/startup_window.h"
#include "ui/tray_icon.h"
#include "ui/ui_state.h"
#include "cleaners/category_table.h"
#include "cleaners/community_rules.h"
#include "cleaners/rules_update.h"
#include "settings/rules_choice.h"
#include <memory>
#include <thread>
#include "ui/sweep_controller.h"
#include "framework/system_library.h"

HWND RunningInstance()
{
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
        char className[40] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpiA(className, kMainWindowClass) == 0) return window;
    }
    return nullptr;
}

bool HandOverToRunningInstance()
{
    HWND window = RunningInstance();
    if (!window) return false;
    MessageBeep(0xFFFFFFFF);
    PostMessageA(window, kOpenControlPanelMessage, 100, 0);
    return true;
}

namespace {

// The switches of a scripted sweep, checked before anything is swept: a misspelt one would
// otherwise sweep everything the settings enable. Says on standard error what was wrong.
std::optional<OnceRequest> ReadOnceRequest(const AppCommandLineInfo& commandLine)
{
    const std::string other = commandLine.FirstOtherThan({"once", "preview", "only", "json"});
    if (!other.empty()) {
        WriteStandardError("Ombrix: unknown switch /" + other + " (see /?); nothing was swept.\r\n");
        return std::nullopt;
    }
    OnceRequest request{commandLine.Has("preview"), commandLine.Has("json"), std::nullopt};
    if (!commandLine.Has("only")) return request;
    std::string error;
    request.only = ParseItemIds(commandLine.Value("only"), error);
    if (!request.only) {
        WriteStandardError("Ombrix: " + error + "; nothing was swept.\r\n");
        return std::nullopt;
    }
    return request;
}

}  // namespace

OmbrixApp::OmbrixApp(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
OmbrixApp::~OmbrixApp() = default;

bool OmbrixApp::InitInstance()
{
    AppCommandLineInfo commandLine;
    commandLine.Parse(m_argc, m_argv);
    // The exit code tells a script whether the program could start at all.
    m_exitCode = ExitCode::kCannotStart;
    if (commandLine.Has("?") || commandLine.Has("help")) {
        WriteStandardOutput(UsageText());
        m_exitCode = ExitCode::kDone;
        return false;
    }
    // A script's download touches only the rules file: a running Ombrix reads it when its panel opens.
    if (commandLine.Has("update-rules")) {
        m_exitCode = UpdateRulesCommand(commandLine);
        return false;
    }
    if (!LoadSystemLibrary("riched20.dll")) {
        TraceMessage("Cannot Initialize Application in AfxInitRichEdit.\n");
        return false;
    }
    // A scripted or scheduled sweep is swept here: handed over, it would sweep nothing.
    const bool once = commandLine.Has("once");
    std::optional<OnceRequest> request;
    if (once && !(request = ReadOnceRequest(commandLine))) {
        m_exitCode = ExitCode::kBadCommandLine;
        return false;
    }
    const bool anotherInstanceRuns = RunningInstance() != nullptr;
    if (!once && !commandLine.Has("list") && HandOverToRunningInstance()) {
        m_exitCode = 0;
        return false;
    }
    DetectSystemKind();
    LoadAllSettings();
    RefreshCommunityRules();
    if (commandLine.Has("list")) {
        WriteStandardOutput(ItemListText());
        m_exitCode = ExitCode::kDone;
        return false;
    }

    if (!MainWindow::RegisterWindowClass()) return false;
    m_mainMenu = CreateMenu();
    m_mainWindow = std::make_unique<MainWindow>();
    m_mainWindow->Create(m_mainMenu);
    if (!m_mainWindow->GetSafeHwnd()) return false;
    CSweepCoordinator::Start(WorkerProcedures());
    m_exitCode = ExitCode::kDone;

    if (once) {
        m_exitCode = SweepOnce(anotherInstanceRuns, *request);
        return false;
    }
    HWND window = m_mainWindow->GetSafeHwnd();
    TrayIcon::Instance().Add(window);
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    if (g_generalSettings.NotShowLogo == 0) RunStartupWindow();
    if (g_generalSettings.Targets & GeneralBit::AlwaysShowProgress) m_mainWindow->CreateProgress(false);
    StartupSweep();
    if (!m_startupSweepStarted) m_mainWindow->SetTimerWhenScheduled();
    WeeklyRulesUpdate(window);
    return true;
}

// A start in the tray updates a rules file older than a week, when the user asked for it, in the
// background; it says nothing unless the update fails.
void OmbrixApp::WeeklyRulesUpdate(HWND window)
{
    if (!LoadWeeklyRulesUpdate() || !RulesUpdateDue()) return;
    std::thread([window] {
        const RulesUpdate update = UpdateCommunityRules(nullptr);
        if (update.error.empty()) return;
        auto why = std::make_unique<std::string>(update.error);
        if (PostMessageA(window, kRulesUpdateFailedMessage, 0, reinterpret_cast<LPARAM>(why.get()))) why.release();
    }).detach();
}

void OmbrixApp::StartupSweep()
{
    if (!(g_generalSettings.StTm & SweepAtBit::Startup)) return;
    m_startupSweepStarted = SweepController::Start(EnabledCategoryRequests(), false);
}

int OmbrixApp::ExitInstance()
{
    CSweepCoordinator::Terminate();
    m_mainWindow.reset();
    // The window takes its menu with it; a window never created leaves the menu to us.
    if (m_mainMenu && IsMenu(m_mainMenu)) DestroyMenu(m_mainMenu);
    m_mainMenu = nullptr;
    TrayIcon::Instance().Remove();
    TrayIcon::Instance().DestroyIcons();
    return CWinApp::ExitInstance();
}
