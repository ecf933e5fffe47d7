#!/usr/bin/env bash
# Builds the viewer and starts it under Wine. On your X display when $DISPLAY is set;
# otherwise on a virtual display (Xvfb), saving a screenshot of it every 2 seconds into
# the build folder, until you stop it with Ctrl+C.
#
#   tools/run.sh            (build folder build/win64; PIXOLVE_BUILD=... for another)
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/e2e/drive.sh
prepare_viewer
exe=$VIEWER_BUILD/pixolve.exe

if ! on_virtual_display; then
  [ -n "${DISPLAY:-}" ] && exec "$WINELOADER" "$exe"
  rerun_on_virtual_display "$0" "$@"
fi

# Nobody can see the virtual display, so keep a picture of it up to date.
screen=$VIEWER_BUILD/pixolve-screen.png
"$WINELOADER" "$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' INT TERM
echo "No X display: pixolve runs on a virtual one. See $screen (updated every 2 s); Ctrl+C stops it."
while kill -0 "$pid" 2>/dev/null; do
  import -window root "$screen.tmp.png" 2>/dev/null && mv "$screen.tmp.png" "$screen"
  sleep 2
done
wait "$pid" || true
