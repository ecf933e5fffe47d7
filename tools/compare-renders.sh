#!/usr/bin/env bash
# Exports a few generated files with a Windows pixolve-render.exe under Wine and with the
# native exporter, and compares the outputs byte for byte. Writes one GoogleTest-style
# test case per export to RESULT_XML. Wine's loader and prefix come from $WINELOADER and
# $WINEPREFIX.
#
#   compare-renders.sh NATIVE_RENDER WINDOWS_RENDER_EXE RESULT_XML
set -uo pipefail
native=$1 windows=$2 xml=$3
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" "${WINEPREFIX:?}"

work=$(dirname "$xml")/../compare-renders
rm -rf "$work"
mkdir -p "$work" "$(dirname "$xml")"
head -c 70001 /dev/urandom >"$work/random.bin"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(i * 7 % 256 for i in range(40000)))' >"$work/ramp.bin"

# name | file | output extension (raw: the pixel buffer) | options
cases=(
  "Defaults|random.bin|png|"
  "Sixteen bits, five-five-five-one, big-endian, padded|random.bin|raw|--depth 16 --fields r5g5b5a1 --order bgra --big-endian --width 123 --height 77 --offset 3 --line-pad 5"
  "DXT1 inverted|random.bin|raw|--depth dxt1 --width 64 --height 64 --invert-y"
  "One bit, swapped fields, four wide|ramp.bin|raw|--depth 1 --swap-field --width 4 --height 100"
  "Four bits, big-endian|ramp.bin|ppm|--depth 4 --big-endian --width 301 --height 101"
  "Twenty-four bits with offset|random.bin|bmp|--depth 24 --width 333 --height 50 --offset 7"
  "Thirty-two bits, own channel order|ramp.bin|raw|--depth 32 --order 8,0,24,16 --width 100 --height 100"
)

results=()
failed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name file ext options <<<"$entry"
  label=${name//[^A-Za-z0-9]/_}
  out_args() {  # output path
    if [ "$ext" = raw ]; then echo "--raw -o $1"; else echo "-o $1"; fi
  }
  # shellcheck disable=SC2046,SC2086
  "$native" "$work/$file" $options $(out_args "$work/$label.native.$ext") 2>"$work/$label.native.err"
  native_status=$?
  # shellcheck disable=SC2046,SC2086
  "$WINELOADER" "$windows" "Z:$work/$file" $options $(out_args "Z:$work/$label.windows.$ext") \
    2>"$work/$label.windows.err"
  windows_status=$?
  problem=
  if [ "$native_status" != 0 ] || [ "$windows_status" != 0 ]; then
    problem="exit status: native $native_status, Windows $windows_status"
  elif ! cmp -s "$work/$label.native.$ext" "$work/$label.windows.$ext"; then
    problem="outputs differ: $(cmp "$work/$label.native.$ext" "$work/$label.windows.$ext" 2>&1 | head -1)"
  fi
  if [ -n "$problem" ]; then
    echo "compare-renders: $name: $problem" >&2
    failed=1
  fi
  results+=("$name" "$problem")
done

python3 - "$xml" "${results[@]}" <<'EOF'
import sys
import xml.etree.ElementTree as ET

path, pairs = sys.argv[1], sys.argv[2:]
suite = ET.Element("testsuite", name="RenderMatchesNative")
for name, problem in zip(pairs[0::2], pairs[1::2]):
    case = ET.SubElement(suite, "testcase", name=name, classname="RenderMatchesNative")
    if problem:
        ET.SubElement(case, "failure", message=problem)
root = ET.Element("testsuites")
root.append(suite)
ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)
EOF
[ "$failed" = 0 ] && echo "compare-renders: ${#cases[@]} exports identical"
exit "$failed"
