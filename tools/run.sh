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

. tests/e2e/drive.sh
if [ "${PIXOLVE_RUN_VIRTUAL:-}" != 1 ]; then
  build_viewer "$build"
  if [ -z "${DISPLAY:-}" ]; then
    PIXOLVE_RUN_VIRTUAL=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
  fi
fi

export WINEPREFIX=$root/$build/wineprefix
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
