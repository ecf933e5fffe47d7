#!/usr/bin/env bash
# Builds the viewer and starts it under Wine. On your X display when $DISPLAY is set;
# otherwise on a virtual display (Xvfb), saving a screenshot of it every 2 seconds into
# the build folder, until you stop it with Ctrl+C.
#
#   tools/run.sh            (build folder build/win64; PIXOLVE_BUILD=... for another)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${PIXOLVE_BUILD:-build/win64}

if [ "${PIXOLVE_RUN_VIRTUAL:-}" != 1 ]; then
  bash tools/setup.sh >/dev/null
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
  fi
  cmake --build "$build" --target pixolve wineprefix >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    PIXOLVE_RUN_VIRTUAL=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
  fi
fi

export WINEPREFIX=$root/$build/wineprefix
export WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exe=$root/$build/pixolve.exe

if [ "${PIXOLVE_RUN_VIRTUAL:-}" != 1 ]; then
  exec "$WINELOADER" "$exe"
fi

# On the virtual display: nobody can see it, so keep a picture of it up to date.
screen=$root/$build/pixolve-screen.png
"$WINELOADER" "$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' INT TERM
echo "No X display: pixolve runs on a virtual one. See $screen (updated every 2 s); Ctrl+C stops it."
while kill -0 "$pid" 2>/dev/null; do
  import -window root "$screen.tmp.png" 2>/dev/null && mv "$screen.tmp.png" "$screen"
  sleep 2
done
wait "$pid" || true
