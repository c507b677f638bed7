#!/usr/bin/env bash
# Runs a command inside bubblewrap: the whole host read-only, only the build folder writable, with a
# private /tmp, /dev and /proc and its own process and network namespaces (loopback only: its X
# display and abstract sockets are its own, so two sandboxes never share an Xvfb). Every Wine process
# the project starts runs in here, so a sweep that went wrong could not delete or change anything
# outside the build folder.
# When the command ends, everything it started (Xvfb, wineserver, Wine's services) ends with it.
# Usage: scripts/sandbox.sh <build-dir> <command> [args...]
set -euo pipefail
build="$(cd "$1" && pwd)"; shift
src="$(cd "$(dirname "$0")/.." && pwd)"
# Xvfb compiles its keymaps into /var/lib/xkb; a private, empty one serves as well. The sources are
# bound again after the private /tmp, for a checkout that lives below /tmp.
exec bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --tmpfs /var/lib/xkb \
  --ro-bind "$src" "$src" --bind "$build" "$build" --chdir "$src" --unshare-pid --unshare-net --die-with-parent \
  --setenv OMBRIX_SANDBOXED "$build" -- "$@"
