#include "app/sweep_once.h"
#include "app/json_lines.h"
#include "app/script_commands.h"
#include "framework/console_output.h"
#include <mutex>
#include <windows.h>
#include <optional>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "engine/sweep_preview.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "ui/sweep_controller.h"

namespace {
// A scheduled or scripted sweep can be followed when its output goes to a console, pipe or file.
bool StandardOutputIsUsable()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(out);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE || type == FILE_TYPE_DISK;
}

// JSON Lines on standard output instead of the text log, one object per event, whole lines only.
class JsonOutput {
public:
    explicit JsonOutput(bool preview)
    {
        SetSweepEventSink([this, preview](const SweepEvent& event) { Write(EventJson(event, preview)); });
    }
    ~JsonOutput() { SetSweepEventSink(nullptr); }
    JsonOutput(const JsonOutput&) = delete;
    JsonOutput& operator=(const JsonOutput&) = delete;

    void Write(const std::string& object)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        WriteStandardOutput(object + "\n");
    }

private:
    std::mutex m_lock;
};

}  // namespace

int SweepOnce(bool anotherInstanceRuns, const OnceRequest& request)
{
    const bool preview = request.preview;
    std::optional<CPreviewScope> previewing;
    if (preview) previewing.emplace();
    SelectItems(request.only);
    ResetSweepOutcome();
    std::optional<JsonOutput> json;
    if (request.json) json.emplace(preview);
    KeepSweepTotals(true);
    EchoLogToStdout(!request.json && StandardOutputIsUsable());
    if (preview) LogLine(kPreviewFirstLine, kStatusLogOnly);
    if (anotherInstanceRuns) LogNote("Another Ombrix is running; this sweep runs on its own.\n");
    SweepController::SweepHere();
    const SweepOutcome outcome = SweepOutcomeSoFar();
    if (json) {
        SweepTotals& totals = WindowTotals();
        CGuardLock::Scope hold(totals.lock);
        json->Write(TotalJson(totals.items, static_cast<double>(totals.kb), outcome));
    }
    EchoToStdout((SweepTotalsLine() + "\n").c_str());
    EchoLogToStdout(false);
    KeepSweepTotals(false);
    SelectItems(std::nullopt);
    return outcome.left > 0 ? ExitCode::kSomethingLeft : ExitCode::kDone;
}
