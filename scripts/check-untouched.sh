#!/usr/bin/env bash
# After a test run: nothing outside the build folder was changed or removed.
# (/var/lib/xkb is where Xvfb compiles its keymaps.)
# Arguments: build folder, a marker file touched at the start, a canary folder made at the start.
set -u
build="$(cd "$1" && pwd)"; marker="$2"; canary="$3"
status=0
[ -f "$canary/keep.txt" ] || { echo "UNTOUCHED: canary $canary/keep.txt was removed"; status=1; }
changed="$(find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp -o -path /var/log \
  -o -path /var/tmp -o -path /var/lib/xkb -o -path "$build" \) -prune -o -newer "$marker" -print 2>/dev/null | head -20)"
if [ -n "$changed" ]; then echo "UNTOUCHED: changed outside the build folder:"; echo "$changed"; status=1; fi
[ $status = 0 ] && echo "nothing outside $build changed"
exit $status
