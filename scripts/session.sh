# Sourced by the test and demo scripts: builds, warms the sandbox, starts Xvfb, and on exit stops the
# prefix's wineserver and the Xvfb it started (by pid), nothing else.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(cd "$here/.." && pwd)"
build="${OMBRIX_BUILD_DIR:-$src/build}"

"$here/install-deps.sh"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build"
"$here/wine-prefix.sh" "$build"
. "$here/wine-env.sh" "$build"

xvfb_pid=""
session_end() {
  WINEPREFIX="$WINEPREFIX" "$OMBRIX_WINESERVER" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap session_end EXIT

display=77
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -nolisten tcp -screen 0 1280x1024x24 </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
# Wine starts its desktop process with the first window a program opens, and that process would
# inherit the program's output pipes (ctest's among them) and hold them open; started here it holds none.
"$OMBRIX_WINE" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
for _ in $(seq 50); do grep -qas 'explorer.exe' /proc/[0-9]*/cmdline && break; sleep 0.1; done
