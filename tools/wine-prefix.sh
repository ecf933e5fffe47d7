#!/usr/bin/env bash
# Makes a fresh 64-bit Wine prefix at $1 once, with the loader in $WINELOADER (wine64 by
# default). Made by the 32-bit loader, /usr/lib/wine/wine, the prefix is a WoW64 one in
# which 32-bit programs run.
# With "unmanaged" as $2, Wine manages the prefix's windows itself instead of leaving them
# to a window manager. Xvfb has none, so each destruction of a visible top-level window
# would wait two seconds for it; but then Wine also keeps no topmost window above the
# others, so the real program runs in a managed prefix.
set -euo pipefail
prefix=$1
mode=${2:-managed}
[ -f "$prefix/.pixolve-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.pixolve-ready" ] && exit 0
export WINEPREFIX=$prefix WINEARCH=win64 WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$WINELOADER" wineboot -i >/dev/null 2>&1 || true
[ "$mode" = unmanaged ] && "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
touch "$prefix/.pixolve-ready"
