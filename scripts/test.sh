#!/usr/bin/env bash
# Builds Ombrix and runs every test in the sandboxed Wine prefix under Xvfb.
set -euo pipefail
. "$(dirname "$0")/session.sh"

marker="$build/.test-start"
touch "$marker"
canary="$(mktemp -d /tmp/ombrix-canary.XXXXXX)"
echo keep > "$canary/keep.txt"

status=0
(cd "$build" && ctest --output-on-failure --timeout 1800) || status=$?
"$here/check-untouched.sh" "$build" "$marker" "$canary" || status=1
rm -rf "$canary"
exit $status
