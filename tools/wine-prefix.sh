#!/usr/bin/env bash
# Makes a fresh Wine prefix at $1 once (64-bit only: these kernels cannot run 32-bit code).
set -euo pipefail
prefix=$1
[ -f "$prefix/.pixolve-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.pixolve-ready" ] && exit 0
export WINEPREFIX=$prefix WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
touch "$prefix/.pixolve-ready"
