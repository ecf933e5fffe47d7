#!/usr/bin/env bash
# Measures how long a parameter change takes to be decoded and painted by the image view
# (640 x 512 and 4096 x 4096 pictures), under Wine in a virtual display.
# Usage: tools/measure-view.sh [win64 build folder]   (default build/win64)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja --toolchain cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
fi
cmake --build "$build" --target pixolve_measure_view >/dev/null
build=$(cd "$build" && pwd)
WINEPREFIX="$build/wineprefix" tools/wine-run.sh "$build/tests/win_measure/pixolve_measure_view.exe"
