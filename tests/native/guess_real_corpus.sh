#!/usr/bin/env bash
# The layout guess on a sample of real pictures nobody made for it: a photograph, a scan, a
# texture, sprites, an icon, a bitmap and two fonts from Debian packages, in every form of
# tools/make-real-corpus.py. Skipped (exit 77) where tools/setup.sh --corpus has not
# installed the packages. Usage: guess_real_corpus.sh PIXOLVE-RENDER SCRATCH-FOLDER
set -euo pipefail
render=$1
out=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
# Right top-1 and top-3 shares (%) the sample must reach: a file or two below what it does.
required=${PIXOLVE_REAL_SAMPLE_REQUIRED:-87,93}

# xterm's program is the machine code some forms put around a picture. A package removed
# but not purged is still listed, so its status is what counts.
for package in xteddy unpaper gimp-data-extras ltris adwaita-icon-theme xbill xpenguins \
               xfonts-base xfonts-terminus pcf2bdf xterm; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    echo "skipped: $package is not installed (bash tools/setup.sh --corpus)"
    exit 77
  fi
done
python3 "$root/tools/make-real-corpus.py" --sample --out "$out"
python3 "$root/tools/measure-guess.py" --render "$render" --real "$out" --no-builtin --require "$required"
