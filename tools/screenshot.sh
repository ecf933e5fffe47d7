#!/usr/bin/env bash
# Makes docs/screenshot.png: the real program under Wine on a virtual display, with a
# 320 x 240 colour picture opened through Ctrl+O and shown as 24-bit pixels.
#
#   tools/screenshot.sh     (build folder build/win64; PIXOLVE_BUILD=... for another)
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/e2e/drive.sh
prepare_viewer
on_virtual_display || rerun_on_virtual_display "$0" "$@"

work=$(mktemp -d)
picture=$work/colours.raw
python3 tests/e2e/picture.py make-rgb "$picture" 320 240

start_pixolve "$VIEWER_BUILD/pixolve.exe"
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
