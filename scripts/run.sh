#!/usr/bin/env bash
# The main job: builds Ombrix, plants the demo profile of Windows traces in the sandbox, sweeps it with
# "Ombrix.exe /once" (its log is shown as it is written) and checks that every trace is gone and every
# canary intact.
set -euo pipefail
# Only what the demo runs: the tests are built by scripts/test.sh.
build_targets="Ombrix plant_traces"
. "$(dirname "$0")/session.sh"
"$build/wine-run" "$build/wine/drive_c/ombrix/bin/plant_traces.exe" demo 'C:\ombrix\demo' 'C:\ombrix\bin\Ombrix.exe'
