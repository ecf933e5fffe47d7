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
# Xvfb has no window manager: let Wine manage its windows itself, or every destruction of
# a visible top-level window waits two seconds for a manager that never answers.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
touch "$prefix/.pixolve-ready"
