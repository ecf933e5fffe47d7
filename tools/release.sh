#!/usr/bin/env bash
# Builds what a user downloads into dist/: the Windows zip (pixolve.exe and
# pixolve-render.exe for x86-64 and for 32-bit x86, the README and the licence notices)
# and the Debian package of the native pixolve-render with its manual page. Both names
# carry the project version. Uses the build folders build/native, build/win64 and
# build/win32, building in them only what is not built yet.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${PIXOLVE_JOBS:-$(nproc)}

bash tools/setup.sh >/dev/null

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

configure_and_build build/native -DCMAKE_BUILD_TYPE=Release
configure_and_build build/win64 --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake"
configure_and_build build/win32 --toolchain "$root/cmake/toolchain-i686-w64-mingw32.cmake"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)
rm -rf dist build/release/stage
mkdir -p dist

zip_folder=pixolve-$version-windows
stage=build/release/stage/$zip_folder
cmake --install build/win64 --strip --prefix "$stage/x86-64" >/dev/null
cmake --install build/win32 --strip --prefix "$stage/x86" >/dev/null
cp README.md "$stage/"
(cd build/release/stage && zip -q -r -X "$root/dist/$zip_folder.zip" "$zip_folder")

cpack --config build/native/CPackConfig.cmake -B build/release/cpack >/dev/null
cp build/release/cpack/pixolve-render_"$version"_*.deb dist/
ls -l dist
