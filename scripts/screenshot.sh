#!/usr/bin/env bash
# Makes docs/progress-window.png: plants the demo profile, starts Ombrix in the tray, sweeps it with
# "Sweep Now" and photographs the "Sweeping Progress" window under Xvfb; then exits Ombrix and checks
# the profile.
set -euo pipefail
. "$(dirname "$0")/session.sh"
bin="$build/wine/drive_c/ombrix/bin"
run() { "$build/wine-run" "$@"; }
root='C:\ombrix\demo-tray'
general='HKCU\SOFTWARE\Quillane\Ombrix\General Settings'

run "$bin/plant_traces.exe" plant "$root"
# Windows swept in sight of the progress window, nothing scheduled, no startup window.
run reg.exe add "$general" /v Targets /t REG_DWORD /d 0x11 /f >/dev/null
run reg.exe add "$general" /v StTm /t REG_DWORD /d 0 /f >/dev/null
run reg.exe add "$general" /v NotShowLogo /t REG_DWORD /d 1 /f >/dev/null
run "$bin/plant_traces.exe" tray "$root" 'C:\ombrix\bin\Ombrix.exe'
run "$bin/ombrix_remote.exe" command 1017
run "$bin/ombrix_remote.exe" wait-window "Sweeping Completed" 60
sleep 1
geometry="$(run "$bin/ombrix_remote.exe" window-rect "Sweeping Completed" | tr -d '\r')"
mkdir -p "$src/docs"
import -window root -crop "$geometry" +repage "$src/docs/progress-window.png"
echo "docs/progress-window.png: the progress window at $geometry"
run "$bin/ombrix_remote.exe" command 1015
run "$bin/ombrix_remote.exe" wait-exit 30
run "$bin/plant_traces.exe" check "$root"
