#!/usr/bin/env bash
# Builds Ombrix and runs it once in the sandboxed Wine prefix.
set -euo pipefail
. "$(dirname "$0")/session.sh"
status=0
"$build/wine-run" "$build/wine/drive_c/ombrix/bin/Ombrix.exe" || status=$?
echo "Ombrix.exe ended with $status"
exit $status
