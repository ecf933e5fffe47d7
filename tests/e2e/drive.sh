# Drives the real program under Wine on an X display with xdotool: start it, wait for
# its windows, open a file through Ctrl+O and the open-file dialog. Sourced by the
# end-to-end test and by tools/screenshot.sh. Every wait is a bounded poll.

export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Installs what is missing and builds pixolve.exe and its Wine prefix in the build
# folder $1, from the source folder that is the current one.
build_viewer() {
  local build=$1
  bash tools/setup.sh >/dev/null
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja --toolchain "$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
  fi
  cmake --build "$build" --target pixolve wineprefix >/dev/null
}

# For the tools run from the source folder: builds the viewer in $PIXOLVE_BUILD (default
# build/win64) unless this is the run again on a virtual display, and uses its Wine
# prefix. Sets VIEWER_BUILD to the build folder's full path.
prepare_viewer() {
  VIEWER_BUILD=$PWD/${PIXOLVE_BUILD:-build/win64}
  [ "${PIXOLVE_ON_VIRTUAL_DISPLAY:-}" = 1 ] || build_viewer "$VIEWER_BUILD"
  export WINEPREFIX=$VIEWER_BUILD/wineprefix
}

on_virtual_display() { [ "${PIXOLVE_ON_VIRTUAL_DISPLAY:-}" = 1 ]; }

# Runs the script $1 again, with the arguments that follow, on a new 24-bit virtual display.
rerun_on_virtual_display() {
  PIXOLVE_ON_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$@"
}

# Window id of the first window titled exactly $1, waiting up to $2 seconds; fails when
# none appears.
wait_for_window() {
  local title=$1 seconds=${2:-30} id
  local tries=$((seconds * 5))
  while [ "$tries" -gt 0 ]; do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
    tries=$((tries - 1))
  done
  echo "no window titled '$title' within ${seconds}s" >&2
  return 1
}

# Waits up to $2 seconds for process $1, a child of this shell, to end; sets EXIT_CODE.
wait_for_exit() {
  local pid=$1 seconds=${2:-20}
  local tries=$((seconds * 5))
  while kill -0 "$pid" 2>/dev/null && [ "$tries" -gt 0 ]; do
    sleep 0.2
    tries=$((tries - 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "process $pid still running after ${seconds}s" >&2
    return 1
  fi
  wait "$pid"
  EXIT_CODE=$?
}

# The Windows form of a Unix path, as Wine's drive Z: shows it.
windows_path() {
  printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}

# Starts pixolve.exe ($1) in the background; sets PIXOLVE_PID and PIXOLVE_WINDOW.
start_pixolve() {
  "$WINELOADER" "$1" &
  PIXOLVE_PID=$!
  PIXOLVE_WINDOW=$(wait_for_window pixolve 60)
}

# Clicks into the frame's view so that the frame has the keyboard.
focus_frame() {
  xdotool mousemove --window "$PIXOLVE_WINDOW" 60 160 click 1
  sleep 0.3
}

# Opens $1 through Ctrl+O and the open-file dialog; waits for the Parameters dialog.
open_through_dialog() {
  local path=$1 dialog
  focus_frame
  xdotool key ctrl+o
  dialog=$(wait_for_window "Open raw file" 20) || return 1
  sleep 0.5
  xdotool type --delay 10 "$(windows_path "$path")"
  xdotool key Return
  PARAMS_WINDOW=$(wait_for_window Parameters 20)
}

# Gives the Parameters dialog the keyboard: its first control (Offset) has the focus.
focus_parameters() {
  xdotool mousemove --window "$PARAMS_WINDOW" 8 8 click 1
  sleep 0.3
}

# Replaces the text of the focused edit box with $1 (Tab into an edit selects all of it).
type_into_next_edit() {
  xdotool key Tab
  xdotool type --delay 20 "$1"
}
