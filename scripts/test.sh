#!/usr/bin/env bash
# Builds Ombrix and runs every test inside the bubblewrap sandbox, in the sandboxed Wine prefix under Xvfb.
# On the host, around the sandboxed run: a canary outside the build folder that must survive, and the
# loop-mounted image of the shredding proof (mounting is not possible inside the sandbox).
set -euo pipefail
host_before() {
  canary="$(mktemp -d /tmp/ombrix-canary.XXXXXX)"
  echo keep > "$canary/keep.txt"
  "$here/shred-image.sh" mount "$build"
}
host_after() {
  "$here/shred-image.sh" unmount "$build" || true
  if [ "$(cat "$canary/keep.txt" 2>/dev/null)" != keep ]; then
    echo "canary $canary/keep.txt outside the build folder was changed or removed"; status=1
  fi
  rm -rf "$canary"
}
. "$(dirname "$0")/session.sh"
cd "$build" && ctest --output-on-failure --timeout 1800 "$@"
