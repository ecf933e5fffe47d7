#!/usr/bin/env bash
# Makes docs/screenshot.png: the real program under Wine on a virtual display, with a
# 320 x 240 colour picture opened through Ctrl+O and shown as 24-bit pixels.
#
#   tools/screenshot.sh     (build folder build/win64; PIXOLVE_BUILD=... for another)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${PIXOLVE_BUILD:-build/win64}

. tests/e2e/drive.sh
if [ "${PIXOLVE_SCREENSHOT_VIRTUAL:-}" != 1 ]; then
  build_viewer "$build"
  PIXOLVE_SCREENSHOT_VIRTUAL=1 exec timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

export WINEPREFIX=$root/$build/wineprefix
work=$(mktemp -d)
picture=$work/colours.raw
python3 tests/e2e/picture.py make-rgb "$picture" 320 240

start_pixolve "$root/$build/pixolve.exe"
trap 'kill "$PIXOLVE_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
open_through_dialog "$picture"
focus_parameters
type_into_next_edit 320          # Width
xdotool key Tab                  # the width slider
type_into_next_edit 240          # Height
xdotool key Tab Tab Tab          # the height slider, Invert Y, then Depth
xdotool type 2                   # "24"
focus_frame
sleep 1

eval "$(xdotool getwindowgeometry --shell "$PIXOLVE_WINDOW")"
mkdir -p docs
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/screenshot.png
echo "wrote docs/screenshot.png (${WIDTH} x ${HEIGHT})"
