#!/usr/bin/env bash
# Runs a Windows program of this project under Wine (the loader in $WINELOADER, wine64 by
# default; the 32-bit build's tests set /usr/lib/wine/wine), in the build's own Wine prefix,
# inside a virtual X display when there is none. Used by ctest as the cross-compiling emulator.
set -euo pipefail

export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix}

here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" "$WINEPREFIX" ${PIXOLVE_WINE_UNMANAGED:+unmanaged}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINELOADER" "$@"
fi
exec "$WINELOADER" "$@"
