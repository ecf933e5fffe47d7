#!/usr/bin/env bash
# End to end: starts the real pixolve.exe under Wine in an Xvfb of its own, opens a
# generated file through Ctrl+O and the open-file dialog, checks the picture on screen
# pixel for pixel against pixolve-render, then with the keyboard in the Parameters dialog
# types a width, clears the height and types a new one, steps the height trackbar, types
# another height and steps again, checking the picture after each, closes the window with
# Alt+F4 and checks the exit code 1.
# Writes one GoogleTest-style test case to RESULT_XML.
#
#   e2e.sh PIXOLVE_EXE PIXOLVE_RENDER_EXE RESULT_XML
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 render=$2 xml=$3
name=OpensEditsByKeyboardAndExitsWithOne

if [ "${PIXOLVE_E2E_INNER:-}" != 1 ]; then
  # Outside: a fresh 24-bit display, the whole run bounded, and a result even when the
  # run was cut short.
  mkdir -p "$(dirname "$xml")"
  rm -f "$xml"
  PIXOLVE_E2E_INNER=1 timeout -k 5 90 \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
  status=$?
  if [ ! -f "$xml" ]; then
    python3 "$here/picture.py" result "$xml" "$name" 90 "cut short (exit status $status)"
  fi
  exit "$status"
fi

# shellcheck source=drive.sh
. "$here/drive.sh"
"$here/../../tools/wine-prefix.sh" "${WINEPREFIX:?the build sets WINEPREFIX}"
work=$(dirname "$xml")/../e2e
rm -rf "$work"
mkdir -p "$work"
started=$(date +%s)
PIXOLVE_PID=

finish() {  # [failure message]
  if [ -n "$PIXOLVE_PID" ] && kill -0 "$PIXOLVE_PID" 2>/dev/null; then
    import -window root "$work/screen-at-failure.png" 2>/dev/null
    kill "$PIXOLVE_PID"
  fi
  python3 "$here/picture.py" result "$xml" "$name" $(($(date +%s) - started)) "$@"
  if [ $# -gt 0 ]; then
    echo "e2e: $*" >&2
    exit 1
  fi
  echo "e2e: passed in $(($(date +%s) - started))s"
  exit 0
}

# The expected picture ($1: the parameters) and a poll of the screen until it shows
# exactly that, for at most 15 s.
expect_on_screen() {
  local label=$1; shift
  "$WINELOADER" "$render" "$(windows_path "$work/picture.raw")" "$@" \
    -o "$(windows_path "$work/$label.ppm")" || finish "pixolve-render failed for $label"
  local tries=30
  while [ "$tries" -gt 0 ]; do
    import -window root -depth 8 "$work/screen.ppm" 2>/dev/null
    if where=$(python3 "$here/picture.py" find "$work/screen.ppm" "$work/$label.ppm"); then
      echo "e2e: $label picture at $where"
      return 0
    fi
    sleep 0.5
    tries=$((tries - 1))
  done
  cp "$work/screen.ppm" "$work/screen-$label.ppm"
  finish "the $label picture never appeared on screen ($where)"
}

# 43,200 bytes: by default a 240 x 180 picture of 8-bit grey pixels. Being over 32767
# bytes, the file is 1.32 bytes to a trackbar step.
python3 "$here/picture.py" make "$work/picture.raw" 43200 7

start_pixolve "$exe" || finish "the main window did not appear"
open_through_dialog "$work/picture.raw" || finish "opening through Ctrl+O failed"
expect_on_screen default --width 240 --height 180 --depth 8

focus_parameters
type_into_next_edit 160
expect_on_screen narrower --width 160 --height 180 --depth 8

# Past the width trackbar to the height, emptied with Backspace (the edit shows 1 then),
# and typed key by key.
xdotool key Tab Tab BackSpace
xdotool type --delay 20 120
expect_on_screen shorter --width 160 --height 120 --depth 8

# One step right on the height trackbar: from position 91 (120 x 32767 / 43200) to 92,
# which stands for 121.
xdotool key Tab Right
expect_on_screen step-taller --width 160 --height 121 --depth 8

# Back to the height, typed 131 (position 99.4), and one step right: position 100 stands
# for 131.8, the same number, so the step goes on to 101, which stands for 133.
xdotool key shift+Tab
xdotool type --delay 20 131
expect_on_screen retyped --width 160 --height 131 --depth 8
xdotool key Tab Right
expect_on_screen step-past-the-same --width 160 --height 133 --depth 8

focus_frame
xdotool key alt+F4
wait_for_exit "$PIXOLVE_PID" 20 || finish "the program did not end after Alt+F4"
PIXOLVE_PID=
[ "$EXIT_CODE" = 1 ] || finish "exit code $EXIT_CODE instead of 1"
finish
