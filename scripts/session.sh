# Sourced by the test and demo scripts. On the host it installs what is missing, builds, and then runs
# the calling script again inside the bubblewrap sandbox (scripts/sandbox.sh), between the script's
# optional host_before and host_after functions; the script's exit status is that of its sandboxed run
# unless host_after sets `status`. A script that needs only some programs names their targets in
# `build_targets` before sourcing this; otherwise everything is built. Inside the sandbox it warms the
# prefix and starts Xvfb; everything started there ends with the sandbox.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(cd "$here/.." && pwd)"
build="${OMBRIX_BUILD_DIR:-$src/build}"

if [ -z "${OMBRIX_SANDBOXED:-}" ]; then
  "$here/install-deps.sh" "$build"
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" >/dev/null
  cmake --build "$build" ${build_targets:+--target $build_targets}
  status=0
  if declare -F host_before >/dev/null; then host_before; fi
  OMBRIX_BUILD_DIR="$build" "$here/sandbox.sh" "$build" bash "$(cd "$(dirname "$0")" && pwd)/$(basename "$0")" "$@" \
    || status=$?
  if declare -F host_after >/dev/null; then host_after; fi
  exit $status
fi

"$here/wine-prefix.sh" "$build"
. "$here/wine-env.sh" "$build"
# The server is stopped cleanly (it saves the registry); the rest ends with the sandbox.
trap 'WINEPREFIX="$WINEPREFIX" "$OMBRIX_WINESERVER" -k 2>/dev/null || true' EXIT

Xvfb :77 -nolisten tcp -screen 0 1280x1024x24 </dev/null >/dev/null 2>&1 &
export DISPLAY=":77"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X77" ] && break; sleep 0.1; done
# Wine starts its desktop process with the first window a program opens, and that process would
# inherit the program's output pipes (ctest's among them) and hold them open; started here it holds none.
"$OMBRIX_WINE" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
for _ in $(seq 50); do grep -qas 'explorer.exe' /proc/[0-9]*/cmdline && break; sleep 0.1; done
