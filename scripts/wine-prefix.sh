#!/usr/bin/env bash
# Creates (once) and warms the sandboxed Wine prefix of a build folder.
# Nothing in the prefix may reach outside the build folder: the drive that maps "/" is removed and every
# link below drive_c/users becomes a real folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$1"
ombrix_require_sandbox

mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"

sanitize() {
  local dd="$WINEPREFIX/dosdevices" l target
  for l in "$dd"/*; do
    [ -L "$l" ] || continue
    case "$(basename "$l")" in com*|lpt*) continue;; esac
    target="$(readlink -f "$l" || true)"
    case "$target" in "$WINEPREFIX"|"$WINEPREFIX"/*) ;; *) rm -f "$l";; esac
  done
  while IFS= read -r l; do
    rm -f "$l"; mkdir -p "$l"
  done < <(find "$WINEPREFIX/drive_c/users" -type l 2>/dev/null)
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$OMBRIX_WINE" wineboot --init </dev/null >/dev/null 2>&1 || true
  "$OMBRIX_WINESERVER" -w
fi
sanitize
mkdir -p "$WINEPREFIX/drive_c/ombrix/work"
# Debian's Wine looks for its own fonts where it does not install them; without Marlett the caption
# buttons are drawn as letters. The prefix's Fonts folder is searched first.
for font in /usr/share/wine/fonts/*; do
  [ -e "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done

# A persistent server, and Wine's services started once with stdio on /dev/null so they never hold
# the pipes of the test runner open.
"$OMBRIX_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
"$OMBRIX_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
sanitize
# Xvfb runs no window manager, and Wine would wait up to 2 s at every hide for one to withdraw the
# window; windows it does not hand to a manager are never waited for.
"$OMBRIX_WINE" reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
