#!/usr/bin/env bash
# Installs with apt-get whatever the build, the tests and the demo need and this machine lacks, then
# fetches SQLite's amalgamation into the build folder given (nothing of it is committed).
# Usage: scripts/install-deps.sh <build-dir>
set -euo pipefail
need=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb googletest
      fonts-wine wixl msitools e2fsprogs x11-apps imagemagick bubblewrap sqlite3 clang libclang-rt-14-dev unzip)
missing=()
for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# npm comes with Node.js, from Debian or from elsewhere; only a machine without it installs Debian's.
command -v npm >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq npm >/dev/null
"$(dirname "$0")/fetch-sqlite.sh" "$1"
