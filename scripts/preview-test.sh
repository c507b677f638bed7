#!/usr/bin/env bash
# The preview, proved on the full demo profile and on the hostile profile, each with Deep Sweep and the
# Shredder on and a file in use: the whole sandbox (every file's size, content and times, both hives,
# the URL cache, the Recycle Bin, the restart removals) is the same after "Ombrix.exe /once /preview";
# then the real sweep removes exactly what the preview listed, line for line, with the same totals.
# Argument: the build folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
run() { "$OMBRIX_BUILD/wine-run" "$@"; }
plant() { run "$OMBRIX_BUILD/wine/drive_c/ombrix/bin/plant_traces.exe" "$@" | tr -d '\r'; }
c="$WINEPREFIX/drive_c"
out="$c/ombrix/preview-out"        # the exports, left out of the listing
work="$OMBRIX_BUILD/preview-test"  # logs and listings, outside the prefix
fail() { echo "FAIL: $*"; exit 1; }
# A hostile profile a failed run left (its immutable file, its links) goes as its removal takes it.
[ -d "$c/ombrix/scratch/preview-hostile" ] && plant hostile-remove 'C:\ombrix\scratch\preview-hostile' >/dev/null
rm -rf "$out" "$work" "$c/ombrix/scratch/preview" "$c/ombrix/scratch/preview-hostile"
mkdir -p "$out" "$work"
holder=""
release=""
trap '[ -n "$release" ] && touch "$release"; [ -n "$holder" ] && wait "$holder" 2>/dev/null || true' EXIT

# Access times are left out: the snapshot's own reading of every file sets them.
# Run from the folder that holds the prefix and the home folder. The two folders' own entries are
# left out: Wine's server saves the registry files beside drive_c whenever it likes, which touches
# the prefix folder's times.
listing() {
  find "$(basename "$WINEPREFIX")" "$(basename "$HOME")" -mindepth 1 \
     \( -path "*/drive_c/ombrix/preview-out" -o -path "$(basename "$WINEPREFIX")/*.reg" \) -prune -o "$@"
}
snapshot() {
  (cd "$WINEPREFIX/.." && listing -printf '%y %p %s %T@ %C@ %l\n' | sort) > "$work/$1.files"
  (cd "$WINEPREFIX/.." && listing -type f -print0 | sort -z | xargs -0 sha1sum) > "$work/$1.hashes"
  for hive in HKLM HKCU; do
    run reg.exe export "$hive" "C:\\ombrix\\preview-out\\$1.$hive" /y >/dev/null
    iconv -f utf-16 -t utf-8 "$out/$1.$hive" | tr -d '\r' > "$work/$1.$hive"
  done
  plant state > "$work/$1.state"
}
# The log without its frame and its times.
body() { grep -v -e '^Preview: nothing is removed\.$' -e '^Total: ' "$1" | sed -E 's/ @ [0-9]{2}:[0-9]{2} - .*$//'; }
totals() { grep '^Total: ' "$1" | sed -E 's/^Total: ([0-9]+) item\(s\) (to sweep|swept), ([0-9.]+) KB (to restore|restored)\.$/\1 \3/'; }

# prove <name> <how to run a command in the profile's environment> <the file in use, Windows path>
#       <the exit code both the preview and the sweep must end with>
prove() {
  local name="$1" runner="$2" locked="$3" code="$4" preview_code=0 sweep_code=0 unix_locked
  unix_locked="$c/$(echo "${locked#C:\\}" | tr '\\' '/')"
  # A program holds the file without delete sharing: Deep Sweep leaves it for the restart.
  release="$unix_locked.release"
  plant hold "$locked" "$locked.release" &
  holder=$!
  for _ in $(seq 100); do [ -e "$unix_locked.held" ] && break; sleep 0.1; done
  [ -e "$unix_locked.held" ] || fail "$name: the file in use is not held"

  snapshot "$name-before"
  plant "$runner" "$root" '"C:\ombrix\bin\Ombrix.exe" /once /preview' > "$work/$name-preview.log" || preview_code=$?
  snapshot "$name-after"
  for part in files hashes HKLM HKCU state; do
    diff "$work/$name-before.$part" "$work/$name-after.$part" > "$work/$name-$part.diff" \
      || { head -20 "$work/$name-$part.diff"; fail "$name: the preview changed $part"; }
  done
  echo "$name: the preview changed nothing ($(wc -l < "$work/$name-before.files") entries, both hives, the URL cache, the Recycle Bin)"
  [ "$(head -1 "$work/$name-preview.log")" = "Preview: nothing is removed." ] || fail "$name: the first line is $(head -1 "$work/$name-preview.log")"
  grep -q "$(basename "$unix_locked"), size .*(After Rebooting)" "$work/$name-preview.log" || fail "$name: the file in use is not shown for the restart"

  plant "$runner" "$root" '"C:\ombrix\bin\Ombrix.exe" /once' > "$work/$name-sweep.log" || sweep_code=$?
  [ "$preview_code" = "$code" ] && [ "$sweep_code" = "$code" ] \
    || fail "$name: the preview ended $preview_code, the sweep $sweep_code, not $code"
  diff <(body "$work/$name-preview.log") <(body "$work/$name-sweep.log") > "$work/$name-lines.diff" \
    || { head -30 "$work/$name-lines.diff"; fail "$name: the sweep's lines differ from the preview's"; }
  [ -n "$(totals "$work/$name-preview.log")" ] && [ "$(totals "$work/$name-preview.log")" = "$(totals "$work/$name-sweep.log")" ] \
    || fail "$name: totals of the preview '$(totals "$work/$name-preview.log")', of the sweep '$(totals "$work/$name-sweep.log")'"
  echo "$name: the sweep removed what the preview listed: $(body "$work/$name-sweep.log" | grep -c 'Item ') item lines, totals $(totals "$work/$name-sweep.log")"
  touch "$release"; wait "$holder" || true; holder=""; release=""
}

root='C:\ombrix\scratch\preview'
plant plant "$root" >/dev/null
run reg.exe add 'HKCU\Software\Quillane\Ombrix\General Settings' /v Targets /t REG_DWORD /d 0xA7 /f >/dev/null
# The damaged Notepad tab stays (not read), so both end with 3.
prove demo run "$root\\Temp\\in-use.log" 3
grep -q '^cache ' "$work/demo-before.state" || fail "no URL cache entries were planted"
grep -q '^recycle bin: [1-9]' "$work/demo-before.state" || fail "no Recycle Bin items were planted"
plant check "$root" > "$work/check.log" || { cat "$work/check.log"; fail "the sweep left traces"; }
tail -1 "$work/check.log"

root='C:\ombrix\scratch\preview-hostile'
locked="$(plant hostile "$root")"
# The jump lists no reader may trust stay, so both end with 3.
prove hostile run-hostile "$locked" 3
plant hostile-remove "$root"
