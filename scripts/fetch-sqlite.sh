#!/usr/bin/env bash
# SQLite's official amalgamation (sqlite3.c, sqlite3.h), as the npm package better-sqlite3 ships it in
# deps/sqlite3: fetched once into <build-dir>/sqlite, checked against the tarball's known SHA-256.
# Usage: scripts/fetch-sqlite.sh <build-dir>
set -euo pipefail
version=12.11.1
sha256=ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835
mkdir -p "$1"
out="$(cd "$1" && pwd)/sqlite"
[ -f "$out/sqlite3.c" ] && [ -f "$out/sqlite3.h" ] && [ "$(cat "$out/tarball.sha256" 2>/dev/null)" = "$sha256" ] && exit 0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "better-sqlite3@$version" >/dev/null)
tarball="$work/better-sqlite3-$version.tgz"
if [ "$(sha256sum "$tarball" | cut -d' ' -f1)" != "$sha256" ]; then
  echo "better-sqlite3-$version.tgz does not have the expected SHA-256; SQLite not taken" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
mkdir -p "$out"
cp "$work/package/deps/sqlite3/sqlite3.c" "$work/package/deps/sqlite3/sqlite3.h" "$out/"
echo "$sha256" > "$out/tarball.sha256"
