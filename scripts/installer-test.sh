#!/usr/bin/env bash
# The package as an administrator and a user meet it, in the sandboxed prefix: a silent install, the
# files, shortcut and uninstall entry, the installed program sweeping the demo profile, an upgrade in
# place, a refused downgrade, a silent uninstall that keeps the settings, and a prefix left as it was.
# Arguments: build folder, package, its version, a package one version up, that version.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
msi="$2"; version="$3"; next_msi="$4"; next_version="$5"
run() { "$OMBRIX_BUILD/wine-run" "$@"; }
c="$WINEPREFIX/drive_c"
work="$c/ombrix/installer-test"
rm -rf "$work"; mkdir -p "$work"
cp "$msi" "$work/old.msi"; cp "$next_msi" "$work/new.msi"
fail() { echo "FAIL: $*"; exit 1; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
installed='C:\Program Files\Ombrix\Ombrix.exe'

# The package's version is the project's.
product_version="$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1=="ProductVersion"{print $2}')"
[ "$product_version" = "$version" ] || fail "ProductVersion $product_version, project version $version"

# What the prefix holds, apart from the test's own folder, temp folders, the installer's cache and the
# URL cache's containers, whose files get new random names each time the demo plants them.
snapshot() {
  (cd "$c" && find . \( -path ./ombrix -o -path ./windows/Installer -o -path ./windows/temp -o -ipath './users/*/temp' \
     -o -ipath './users/*/AppData/Local/Temp' -o -ipath './users/*/AppData/Local/Microsoft/Windows/INetCookies/*' \
     -o -ipath './users/*/AppData/Local/Microsoft/Windows/INetCache/*' -o -ipath './users/*/AppData/Local/Microsoft/Windows/History/*' \) \
     -prune -o -print | sort) > "$work/$1.files"
  run reg.exe export 'HKLM\Software' "C:\\ombrix\\installer-test\\$1.hklm" /y >/dev/null
  run reg.exe export 'HKCU\Software' "C:\\ombrix\\installer-test\\$1.hkcu" /y >/dev/null
}
# Registry text without what only says when or how often Wine itself ran, nor the user's settings, nor
# the empty keys Windows Installer keeps for its own bookkeeping once it has installed anything.
registry_text() {
  iconv -f utf-16 -t utf-8 "$work/$1" | tr -d '\r' | awk '
    /^\[/ { keep = ($0 !~ /Quillane\\Ombrix/); held = ""
            if (keep && $0 ~ /\\(Classes|CurrentVersion)\\Installer[]\\]/) { held = $0; next } }
    held != "" && /^["@]/ { print held; held = "" }
    held != "" { next }
    keep' \
    | grep -v -E '^"(InstallDate|LastWriteTime|MRUList)"='
}
ombrix_entries() { run reg.exe query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | grep -c 'DisplayName.*REG_SZ.*Ombrix$' || true; }
entry_value() { run reg.exe query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | awk -v name="$1" '
    /^HKEY/ { key = $0 } $1 == "DisplayName" && $NF == "Ombrix" { found = key }
    { values[key, $1] = substr($0, index($0, $3)) } END { print values[found, name] }'; }

# The demo profile is planted and swept once by the built program first, so that the sweep by the
# installed one later leaves the prefix as it was: what differs then is the package's doing.
demo() {
  run "$OMBRIX_BUILD/wine/drive_c/ombrix/bin/plant_traces.exe" demo 'C:\ombrix\installer-test\demo' "$1" \
    > "$work/once.log" || { tail -20 "$work/once.log"; fail "$1 /once"; }
}
demo 'C:\ombrix\bin\Ombrix.exe'
snapshot before

# 1. Silent install.
run msiexec /i 'C:\ombrix\installer-test\old.msi' /qn || fail "install returned $?"
cmp -s "$OMBRIX_BUILD/wine/drive_c/ombrix/bin/Ombrix.exe" "$c/Program Files/Ombrix/Ombrix.exe" || fail "Ombrix.exe not installed"
for template in Ombrix.admx en-US/Ombrix.adml; do
  cmp -s "$here/../policy/$template" "$c/Program Files/Ombrix/policy/$template" || fail "policy/$template not installed"
done
shortcut="$(find "$c/ProgramData/Microsoft/Windows/Start Menu/Programs" "$c/users" -name Ombrix.lnk 2>/dev/null | head -1)"
[ -n "$shortcut" ] || fail "no Start menu shortcut"
[ "$(ombrix_entries)" = 1 ] || fail "uninstall entries: $(ombrix_entries)"
[ "$(entry_value DisplayVersion)" = "$version" ] || fail "DisplayVersion $(entry_value DisplayVersion)"
[ "$(entry_value Publisher)" = Quillane ] || fail "Publisher $(entry_value Publisher)"
icon="$(entry_value DisplayIcon)"
if [ -z "$icon" ]; then
  # Wine's installer keeps the product's icon under its Products key only; Windows also writes it to
  # DisplayIcon of the uninstall entry.
  icon="$(run reg.exe query 'HKLM\Software\Classes\Installer\Products' /s /v ProductIcon 2>/dev/null | tr -d '\r' | grep -o 'C:.*OmbrixIcon' | head -1)"
fi
[ -n "$icon" ] || fail "no icon for Apps & features"
echo "installed $version: files, template, shortcut, entry (DisplayVersion, Publisher, icon $icon)"
# The portable zip carries the template too, laid out for PolicyDefinitions.
zip="${msi%.msi}.zip"
for template in Ombrix.admx en-US/Ombrix.adml; do
  unzip -p "$zip" "policy/$template" | cmp -s - "$here/../policy/$template" || fail "policy/$template not in $zip"
done

# 2. The installed program sweeps the demo profile.
demo "$installed"
echo "the installed Ombrix.exe /once swept the demo profile"

# 3. A higher version replaces it in place; a lower one is refused.
run msiexec /i 'C:\ombrix\installer-test\new.msi' /qn || fail "upgrade returned $?"
[ "$(ombrix_entries)" = 1 ] || fail "uninstall entries after the upgrade: $(ombrix_entries)"
[ "$(entry_value DisplayVersion)" = "$next_version" ] || fail "DisplayVersion after the upgrade $(entry_value DisplayVersion)"
# A downgrade is refused by a launch condition on a newer product found by its upgrade code. Wine's
# FindRelatedProducts does not find the newer product, so under Wine the package's rows are checked
# instead of trying the downgrade (which Wine would install beside it).
msiinfo export "$msi" Upgrade | tr -d '\r' | grep -q -P "^\{6B1F3E52-8C0A-4D27-9A43-2F5E7C91D0B4\}\t$version\t\t\t2\t\tWIX_DOWNGRADE_DETECTED$" \
  || fail "no detection of newer versions"
msiinfo export "$msi" LaunchCondition | tr -d '\r' | grep -q '^NOT WIX_DOWNGRADE_DETECTED	A newer version of Ombrix is already installed' \
  || fail "no downgrade refusal"
echo "upgraded to $next_version in place; a downgrade is refused by the package's launch condition"

# 4. Silent uninstall: the program, shortcut, entry and Run entry go; the settings stay.
run reg.exe add "$run_key" /v Ombrix.exe /d "\"$installed\"" /f >/dev/null
run reg.exe query 'HKCU\Software\Quillane\Ombrix\General Settings' >/dev/null 2>&1 || fail "no settings before the uninstall"
run msiexec /x 'C:\ombrix\installer-test\new.msi' /qn || fail "uninstall returned $?"
[ ! -e "$c/Program Files/Ombrix" ] || fail "Program Files\\Ombrix remains"
[ -z "$(find "$c/ProgramData/Microsoft/Windows/Start Menu/Programs" "$c/users" -name Ombrix.lnk 2>/dev/null)" ] || fail "the shortcut remains"
[ "$(ombrix_entries)" = 0 ] || fail "the uninstall entry remains"
if run reg.exe query "$run_key" /v Ombrix.exe >/dev/null 2>&1; then fail "the Run entry of the installed program remains"; fi
run reg.exe query 'HKCU\Software\Quillane\Ombrix\General Settings' >/dev/null 2>&1 || fail "the settings were removed"
echo "uninstalled: nothing of the package remains, the settings do"

# 5. Nothing else in the prefix changed.
snapshot after
diff "$work/before.files" "$work/after.files" > "$work/files.diff" || { head -20 "$work/files.diff"; fail "drive C changed"; }
for hive in hklm hkcu; do
  diff <(registry_text "before.$hive") <(registry_text "after.$hive") > "$work/$hive.diff" \
    || { head -30 "$work/$hive.diff"; fail "the registry ($hive) changed"; }
done
echo "drive C and the registry are as before the install, apart from the settings"
