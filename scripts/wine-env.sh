# Sourced by every script that starts a Wine process: one sandboxed prefix under the build folder.
# Usage: . scripts/wine-env.sh <build-dir>
OMBRIX_BUILD="$(cd "$1" && pwd)"
export WINEPREFIX="$OMBRIX_BUILD/wine"
export HOME="$OMBRIX_BUILD/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
OMBRIX_WINE=/usr/lib/wine/wine64
[ -x "$OMBRIX_WINE" ] || OMBRIX_WINE="$(command -v wine64 || command -v wine)"
OMBRIX_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$OMBRIX_WINESERVER" ] || OMBRIX_WINESERVER="$(command -v wineserver)"

# True when the prefix exists and no drive letter leads outside it. Wine would otherwise make a fresh
# prefix with Z: mapped to "/" on first use.
ombrix_sandbox_ready() {
  local l target
  [ -f "$WINEPREFIX/system.reg" ] || return 1
  for l in "$WINEPREFIX/dosdevices"/*; do
    [ -L "$l" ] || continue
    case "$(basename "$l")" in com*|lpt*) continue;; esac
    target="$(readlink -f "$l" || true)"
    case "$target" in "$WINEPREFIX"|"$WINEPREFIX"/*) ;; *) return 1;; esac
  done
  [ -z "$(find "$WINEPREFIX/drive_c/users" -type l -print -quit 2>/dev/null)" ]
}

# True inside bubblewrap (scripts/sandbox.sh), where the folder that holds the build is read-only.
ombrix_require_sandbox() {
  [ ! -w "$(dirname "$OMBRIX_BUILD")" ] && return 0
  echo "Wine is started only inside the sandbox: run it through scripts/sandbox.sh" >&2
  return 1
}
