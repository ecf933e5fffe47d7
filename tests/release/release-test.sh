#!/usr/bin/env bash
# Uses the downloads in DIST as a user would. The Debian package, unpacked into a scratch
# root: its pixolve-render's --version (the package's version), --help and one export,
# and its manual page through man, which must say nothing on standard error. The Windows
# zip, unpacked: each pixolve-render.exe, under Wine in the prefix given for its width,
# exports the same picture byte for byte (x86 only when a second prefix is given).
# Writes one GoogleTest-style test case to RESULT_XML.
#
#   release-test.sh DIST RESULT_XML WIN64_PREFIX [WIN32_PREFIX]
set -uo pipefail
dist=$1 xml=$2 win64_prefix=$3 win32_prefix=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
started=$SECONDS
rm -f "$xml"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
problems=()
problem() { problems+=("$*"); echo "release test: $*" >&2; }

deb=$(echo "$dist"/pixolve-render_*.deb)
version=$(dpkg-deb -f "$deb" Version)
dpkg -x "$deb" "$scratch/root"
render=$scratch/root/usr/bin/pixolve-render
[ "$("$render" --version)" = "pixolve-render $version" ] || problem "--version does not say $version"
"$render" --help | grep -q '^Usage: pixolve-render FILE' || problem "--help shows no usage"
head -c 30000 /dev/urandom >"$scratch/in.bin"
export_args=(--depth 16 --fields r5g5b5 --width 97 --height 61 --offset 3 --line-pad 2)
"$render" "$scratch/in.bin" "${export_args[@]}" -o "$scratch/native.png" || problem "the export failed"

manual=$scratch/root/usr/share/man/man1/pixolve-render.1
MANWIDTH=80 man --warnings=w -l "$manual" >"$scratch/manual.txt" 2>"$scratch/man.err" ||
  problem "man failed"
[ -s "$scratch/man.err" ] && problem "man warns: $(head -3 "$scratch/man.err")"
for section in OPTIONS "OUTPUT AND INPUT" "GUESSING A LAYOUT" "EXIT STATUS" EXAMPLES; do
  grep -q "^$section\$" "$scratch/manual.txt" || problem "the manual page has no $section"
done

unzip -q "$dist/pixolve-$version-windows.zip" -d "$scratch/zip"
folder=$scratch/zip/pixolve-$version-windows
for file in README.md x86-64/THIRD-PARTY-NOTICES.txt x86/THIRD-PARTY-NOTICES.txt; do
  [ -s "$folder/$file" ] || problem "the zip has no $file"
done
windows_export_matches() {  # folder, what 'file' calls its programs, Wine loader, prefix (none: no run)
  local arch=$1 kind=$2 loader=$3 prefix=$4 exe
  for exe in pixolve.exe pixolve-render.exe; do
    file -b "$folder/$arch/$exe" | grep -q "^$kind" || problem "$arch/$exe is not a $kind"
  done
  [ -n "$prefix" ] || return 0
  WINELOADER=$loader "$here/../../tools/wine-prefix.sh" "$prefix"
  WINEPREFIX=$prefix "$loader" "$folder/$arch/pixolve-render.exe" "Z:$scratch/in.bin" \
    "${export_args[@]}" -o "Z:$scratch/$arch.png" || problem "$arch/pixolve-render.exe failed"
  cmp -s "$scratch/native.png" "$scratch/$arch.png" ||
    problem "$arch/pixolve-render.exe exports another picture than the native one"
}
windows_export_matches x86-64 "PE32+ executable" /usr/lib/wine/wine64 "$win64_prefix"
windows_export_matches x86 "PE32 executable" /usr/lib/wine/wine "$win32_prefix"

mkdir -p "$(dirname "$xml")"
python3 "$here/../e2e/picture.py" result "$xml" DownloadsWorkAsUnpacked $((SECONDS - started)) \
  "$(IFS=';'; echo "${problems[*]}")"
[ ${#problems[@]} = 0 ] && echo "release test: package and zip work as unpacked ($((SECONDS - started))s)"
