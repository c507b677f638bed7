#!/usr/bin/env bash
# Installs with apt-get whatever the build, the tests and the demo need and this machine lacks.
set -euo pipefail
need=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb googletest
      fonts-wine wixl msitools e2fsprogs x11-apps imagemagick bubblewrap)
missing=()
for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
