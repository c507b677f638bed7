#!/usr/bin/env bash
# The preview, proved on the full demo profile with Deep Sweep and the Shredder on and a file in use:
# the whole sandbox (every file's size, content and times, both hives, the URL cache, the Recycle Bin,
# the restart removals) is the same after "Ombrix.exe /once /preview"; then the real sweep removes
# exactly what the preview listed, line for line, with the same totals, and leaves no trace.
# Argument: the build folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
run() { "$OMBRIX_BUILD/wine-run" "$@"; }
c="$WINEPREFIX/drive_c"
out="$c/ombrix/preview-out"     # the exports, left out of the listing
work="$OMBRIX_BUILD/preview-test"  # logs and listings, outside the prefix
root='C:\ombrix\scratch\preview'
locked="$root\\Temp\\in-use.log"
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$out" "$work" "$c/ombrix/scratch/preview"
mkdir -p "$out" "$work"

plant() { run "$OMBRIX_BUILD/wine/drive_c/ombrix/bin/plant_traces.exe" "$@"; }
plant plant "$root" >/dev/null
run reg.exe add 'HKCU\Software\Quillane\Ombrix\General Settings' /v Targets /t REG_DWORD /d 0xA7 /f >/dev/null

# A program holds a temp file without delete sharing: the sweep schedules it for the restart.
release="$c/ombrix/scratch/preview/release"
plant hold "$locked" 'C:\ombrix\scratch\preview\release' &
holder=$!
trap 'touch "$release"; wait "$holder" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$c/ombrix/scratch/preview/Temp/in-use.log.held" ] && break; sleep 0.1; done
[ -e "$c/ombrix/scratch/preview/Temp/in-use.log.held" ] || fail "the file in use is not held"

# Access times are left out: the snapshot's own reading of every file sets them.
snapshot() {
  (cd "$WINEPREFIX/.." && find "$(basename "$WINEPREFIX")" "$(basename "$HOME")" \
     \( -path "*/drive_c/ombrix/preview-out" -o -path "$(basename "$WINEPREFIX")/*.reg" \) -prune -o \
     -printf '%y %p %s %T@ %C@ %l\n' | sort) > "$work/$1.files"
  (cd "$WINEPREFIX/.." && find "$(basename "$WINEPREFIX")" "$(basename "$HOME")" \
     \( -path "*/drive_c/ombrix/preview-out" -o -path "$(basename "$WINEPREFIX")/*.reg" \) -prune -o \
     -type f -print0 | sort -z | xargs -0 sha1sum) > "$work/$1.hashes"
  for hive in HKLM HKCU; do
    run reg.exe export "$hive" "C:\\ombrix\\preview-out\\$1.$hive" /y >/dev/null
    iconv -f utf-16 -t utf-8 "$out/$1.$hive" | tr -d '\r' > "$work/$1.$hive"
  done
  plant state > "$work/$1.state"
}
compare() {
  for part in files hashes HKLM HKCU state; do
    diff "$work/before.$part" "$work/after.$part" > "$work/$part.diff" || { head -20 "$work/$part.diff"; fail "the preview changed $part"; }
  done
}

snapshot before
grep -q '^cache ' "$work/before.state" || fail "no URL cache entries planted"
grep -q '^recycle bin: [1-9]' "$work/before.state" || fail "no Recycle Bin items planted"
plant run "$root" '"C:\ombrix\bin\Ombrix.exe" /once /preview' | tr -d '\r' > "$work/preview.log"
snapshot after
compare
echo "the preview changed nothing: $(wc -l < "$work/before.files") entries, both hives, the URL cache and the Recycle Bin are as they were"

[ "$(head -1 "$work/preview.log")" = "Preview: nothing is removed." ] || fail "the preview's first line: $(head -1 "$work/preview.log")"
grep -q "in-use.log, size .*(After Rebooting)" "$work/preview.log" || fail "the file in use is not shown for the restart"

plant run "$root" '"C:\ombrix\bin\Ombrix.exe" /once' | tr -d '\r' > "$work/sweep.log"
# Apart from the frame and the times, the two logs are the same.
body() { grep -v -e '^Preview: nothing is removed\.$' -e '^Total: ' "$work/$1.log" | sed -E 's/ @ [0-9]{2}:[0-9]{2} - .*$//'; }
diff <(body preview) <(body sweep) > "$work/lines.diff" || { head -30 "$work/lines.diff"; fail "the sweep's lines differ from the preview's"; }
preview_total="$(grep '^Total: ' "$work/preview.log" | sed -E 's/^Total: ([0-9]+) item\(s\) to sweep, ([0-9.]+) KB to restore\.$/\1 \2/')"
sweep_total="$(grep '^Total: ' "$work/sweep.log" | sed -E 's/^Total: ([0-9]+) item\(s\) swept, ([0-9.]+) KB restored\.$/\1 \2/')"
[ -n "$preview_total" ] && [ "$preview_total" = "$sweep_total" ] || fail "totals: preview '$preview_total', sweep '$sweep_total'"
echo "the sweep removed what the preview listed: $(body sweep | grep -c 'Item ') items, totals $sweep_total"

plant check "$root" | tr -d '\r' > "$work/check.log" || { cat "$work/check.log"; fail "the sweep left traces"; }
tail -1 "$work/check.log"
