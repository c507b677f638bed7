#!/usr/bin/env bash
# Makes the pictures in docs/: plants the demo profile, starts Ombrix in the tray, sweeps it with
# "Sweep Now" and photographs the "Sweeping Progress" window under Xvfb; then opens the control panel
# from the tray and photographs its five pages, the custom locations dialog and Cookie Control (with
# the sites of cookie databases planted meanwhile); then
# exits Ombrix and checks the profile.
set -euo pipefail
# The sandbox can write only the build folder: the pictures are taken there and copied out afterwards.
host_after() { [ $status != 0 ] || { mkdir -p "$src/docs"; cp "$build"/docs/*.png "$src/docs/"; }; }
. "$(dirname "$0")/session.sh"
bin="$build/wine/drive_c/ombrix/bin"
run() { "$build/wine-run" "$@"; }
root='C:\ombrix\demo-tray'
general='HKCU\SOFTWARE\Quillane\Ombrix\General Settings'

run "$bin/plant_traces.exe" plant "$root"
# Every category swept in sight of the progress window, nothing scheduled, no startup window.
run reg.exe add "$general" /v Targets /t REG_DWORD /d 0x17 /f >/dev/null
run reg.exe add "$general" /v StTm /t REG_DWORD /d 0 /f >/dev/null
run reg.exe add "$general" /v NotShowLogo /t REG_DWORD /d 1 /f >/dev/null
run "$bin/plant_traces.exe" tray "$root" 'C:\ombrix\bin\Ombrix.exe'
run "$bin/ombrix_remote.exe" command 1017
run "$bin/ombrix_remote.exe" wait-window "Sweeping Completed" 60
mkdir -p "$build/docs"
shoot() {  # <window title> <picture name>
  run "$bin/ombrix_remote.exe" wait-window "$1" 20
  sleep 1
  local geometry
  geometry="$(run "$bin/ombrix_remote.exe" window-rect "$1" | tr -d '\r')"
  import -window root -crop "$geometry" +repage "$build/docs/$2.png"
  echo "docs/$2.png: \"$1\" at $geometry"
}
shoot "Sweeping Completed" progress-window
# A community rules file for the "Sweep More" page, read when the control panel opens; one rule ticked.
rules_file="$build/wine/drive_c/ombrix/demo-tray/Profile/AppData/Roaming/Ombrix/winapp2.ini"  # the tray's %APPDATA%
mkdir -p "$(dirname "$rules_file")"
printf '%s\r\n' '; the user'"'"'s own rules' \
  '[Editor Recent Files *]' 'LangSecRef=3024' 'Warning=Also clears the editor'"'"'s session.' \
  'FileKey1=%AppData%\Editor\Sessions|*.session|RECURSE' 'RegKey1=HKCU\Software\Editor\Recent' \
  '[Player History *]' 'LangSecRef=3023' 'FileKey1=%LocalAppData%\Player|history.db' \
  '[Archiver Temp *]' 'LangSecRef=3021' 'FileKey1=%Temp%\Archiver*|*.*|REMOVESELF' \
  '[Browser Crash Reports *]' 'Section=Web Browsers' 'FileKey1=%LocalAppData%\Browser\Crashpad\reports|*.dmp' \
  '[Windows Font Cache *]' 'LangSecRef=3025' 'FileKey1=%WinDir%\ServiceProfiles|*.dat' \
  '[Broken Rule *]' 'LangSecRef=3021' 'FileKey1=%AppData%\Tool|*.tmp' 'CleanEverything=1' > "$rules_file"
run reg.exe add 'HKCU\SOFTWARE\Quillane\Ombrix\Rules' /v Enabled /t REG_MULTI_SZ /d 'Player History *' /f >/dev/null
run "$bin/ombrix_remote.exe" command 1014
pages=(settings windows internet applications rules)
for i in 0 1 2 3 4; do
  run "$bin/ombrix_remote.exe" wait-window Ombrix 20
  run "$bin/ombrix_remote.exe" page Ombrix "$i"
  shoot Ombrix "control-panel-${pages[$i]}"
done
run "$bin/ombrix_remote.exe" page Ombrix 1
run "$bin/ombrix_remote.exe" click Ombrix 1071
shoot "Customize Cleaning Directories" custom-locations
run "$bin/ombrix_remote.exe" click "Customize Cleaning Directories" 2
# Sites in Chrome's and Edge's cookie databases for Cookie Control to list; one is typed in as friendly
# (and dropped with Cancel).
local_data="$build/wine/drive_c/ombrix/demo-tray/Profile/AppData/Local"
for browser in "Google/Chrome" "Microsoft/Edge"; do
  db="$local_data/$browser/User Data/Default/Network/Cookies"
  mkdir -p "$(dirname "$db")"; rm -f "$db"
  sqlite3 "$db" "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL);
    INSERT INTO cookies VALUES('.mail.example.com','sid','x'), ('bank.example','sid','x'), ('.ads.tracker.net','id','x');"
done
run "$bin/ombrix_remote.exe" page Ombrix 2
run "$bin/ombrix_remote.exe" click Ombrix 1092
run "$bin/ombrix_remote.exe" wait-window "Cookie Control" 20
run "$bin/ombrix_remote.exe" type "Cookie Control" 1169 bank.example
run "$bin/ombrix_remote.exe" click "Cookie Control" 1170
shoot "Cookie Control" cookie-control
run "$bin/ombrix_remote.exe" click "Cookie Control" 2
run "$bin/ombrix_remote.exe" click Ombrix 2
run "$bin/ombrix_remote.exe" command 1015
run "$bin/ombrix_remote.exe" wait-exit 30
# The sites and rules were for the pictures only: the profile is checked as the sweep left it.
rm -f "$rules_file"
run reg.exe delete 'HKCU\SOFTWARE\Quillane\Ombrix\Rules' /f >/dev/null
rm -f "$local_data/Google/Chrome/User Data/Default/Network/Cookies" "$local_data/Microsoft/Edge/User Data/Default/Network/Cookies"
run "$bin/plant_traces.exe" check "$root"
