#!/usr/bin/env bash
# After a test run: nothing outside the build folder was changed or removed.
# (/var/lib/xkb is where Xvfb compiles its keymaps.) Files that a live process still holds open for writing are
# the output of whoever runs us (a CI log, a terminal capture); the tests have all ended by now, so they are not theirs.
# Arguments: build folder, a marker file touched at the start, a canary folder made at the start.
set -u
build="$(cd "$1" && pwd)"; marker="$2"; canary="$3"
status=0
[ -f "$canary/keep.txt" ] || { echo "UNTOUCHED: canary $canary/keep.txt was removed"; status=1; }

open_for_writing() {
  local info fd flags
  for info in /proc/[0-9]*/fdinfo/*; do
    flags="$(sed -n 's/^flags:[[:space:]]*//p' "$info" 2>/dev/null)" || continue
    [ -n "$flags" ] || continue
    # O_WRONLY is 01 and O_RDWR 02 in the low octal digit.
    case "${flags: -1}" in 1|2|3) ;; *) continue ;; esac
    fd="${info/fdinfo/fd}"
    readlink "$fd" 2>/dev/null
  done | grep '^/' | sort -u
}

changed="$(find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp -o -path /var/log \
  -o -path /var/tmp -o -path /var/lib/xkb -o -path "$build" \) -prune -o -newer "$marker" -print 2>/dev/null | sort)"
if [ -n "$changed" ]; then
  changed="$(comm -23 <(echo "$changed") <(open_for_writing) | head -20)"
fi
if [ -n "$changed" ]; then echo "UNTOUCHED: changed outside the build folder:"; echo "$changed"; status=1; fi
[ $status = 0 ] && echo "nothing outside $build changed"
exit $status
