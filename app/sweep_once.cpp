#include "app/sweep_once.h"
#include "app/script_commands.h"
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
}  // namespace

int SweepOnce(bool anotherInstanceRuns, const OnceRequest& request)
{
    const bool preview = request.preview;
    std::optional<CPreviewScope> previewing;
    if (preview) previewing.emplace();
    SelectItems(request.only);
    EchoLogToStdout(StandardOutputIsUsable());
    if (preview) LogLine(kPreviewFirstLine, kStatusLogOnly);
    if (anotherInstanceRuns) EchoToStdout("Another Ombrix is running; this sweep runs on its own.\n");
    SweepController::SweepHere();
    EchoToStdout((SweepTotalsLine() + "\n").c_str());
    EchoLogToStdout(false);
    SelectItems(std::nullopt);
    return ExitCode::kDone;
}
