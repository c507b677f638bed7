#!/usr/bin/env bash
# The Linux side of the sandbox check: every drive of the prefix resolves inside it, nothing below
# drive_c/users is a link, HOME (where Wine keeps the recycle bin) is inside the build folder, and
# nothing outside the build folder can be written (bubblewrap).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
status=0
for l in "$WINEPREFIX/dosdevices"/*; do
  [ -L "$l" ] || continue
  case "$(basename "$l")" in com*|lpt*) continue;; esac
  t="$(readlink -f "$l")"
  case "$t" in "$WINEPREFIX"|"$WINEPREFIX"/*) ;; *) echo "drive $(basename "$l") -> $t is outside the prefix"; status=1;; esac
done
links="$(find "$WINEPREFIX/drive_c/users" -type l 2>/dev/null)"
[ -z "$links" ] || { echo "links below drive_c/users: $links"; status=1; }
case "$(readlink -f "$HOME")" in "$OMBRIX_BUILD"/*) ;; *) echo "HOME $HOME is outside the build folder"; status=1;; esac
probe="$(dirname "$OMBRIX_BUILD")/ombrix-sandbox-probe.$$"
if (: > "$probe") 2>/dev/null; then rm -f "$probe"; echo "a file can be written outside the build folder"; status=1; fi
[ $status = 0 ] && echo "sandbox ok: $WINEPREFIX"
exit $status
