#!/usr/bin/env bash
# Runs a command inside bubblewrap: the whole host read-only, only the build folder writable, with a
# private /tmp, /dev and /proc and its own process namespace. Every Wine process the project starts runs
# in here, so a sweep that went wrong could not delete or change anything outside the build folder.
# When the command ends, everything it started (Xvfb, wineserver, Wine's services) ends with it.
# Usage: scripts/sandbox.sh <build-dir> <command> [args...]
set -euo pipefail
build="$(cd "$1" && pwd)"; shift
# Xvfb compiles its keymaps into /var/lib/xkb; a private, empty one serves as well.
exec bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --tmpfs /var/lib/xkb \
  --bind "$build" "$build" --unshare-pid --die-with-parent \
  --setenv OMBRIX_SANDBOXED "$build" -- "$@"
